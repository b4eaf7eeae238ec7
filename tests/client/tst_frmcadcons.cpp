#include "FormKeys.h"
#include "client/Cli_Kvt04410.h"
#include "host/ScreenServices.h"
#include "host/TMessages.h"
#include "toolkit/Colors.h"
#include "toolkit/DataPacket.h"
#include "toolkit/Exceptions.h"
#include "toolkit/PictureButton.h"
#include "toolkit/RoundShape.h"
#include "toolkit/TouchButton.h"

#include <QFrame>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

// The form as built: controls, tables, messages and the keys it must not hand to QDialog.
class tst_FrmCadCons : public QObject
{
    Q_OBJECT

private slots:
    void comoConstruido();
    void leiaute();
    void mudaCor_data();
    void mudaCor();
    void estadoInicial();
    void tiposVenda();
    void colunasProjeto();
    void nenhumControleRecebeFoco();
    void teclasNaoFechamDialogo_data();
    void teclasNaoFechamDialogo();
    void sairFechaComSair();
    void escapeSai();
    void tecladoNaTela();
    void teclasFisicas();
    void altF4CapturaSemFechar();
};

namespace {

const QColor kCorBorda = kvt::tcolor(15391193);

QString cor(const QColor &c)
{
    return c.name();
}


// Everything the form is built with, a line per item: its named widgets, the design-time
// columns of its tables, the sale types and the messages.
QStringList retrato(TfrmCadCons &form)
{
    QStringList linhas;
    for (const QWidget *w : form.findChildren<QWidget *>()) {
        if (w->objectName().isEmpty())
            continue;
        const QRect g = w->geometry();
        QString linha = QStringLiteral("%1 %2 in %3 at %4,%5 %6x%7")
                            .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(),
                                 w->parentWidget()->objectName())
                            .arg(g.x())
                            .arg(g.y())
                            .arg(g.width())
                            .arg(g.height());
        if (const auto *b = qobject_cast<const kvt::TouchButton *>(w)) {
            linha += QStringLiteral(" caption=\"%1\" tag=%2 face=%3 font=%4%5 order=%6")
                         .arg(b->caption())
                         .arg(b->tag())
                         .arg(cor(b->faceColor()))
                         .arg(b->font().pixelSize())
                         .arg(b->font().bold() ? QStringLiteral("b") : QString())
                         .arg(b->property("kvtDumpOrder").toInt());
        } else if (const auto *b = qobject_cast<const kvt::PictureButton *>(w)) {
            linha += QStringLiteral(" caption=\"%1\" hint=\"%2\" face=%3 font=%4")
                         .arg(b->caption(), b->hint(), cor(b->faceColor()))
                         .arg(b->font().pixelSize());
        } else if (const auto *l = qobject_cast<const QLabel *>(w)) {
            linha +=
                QStringLiteral(" text=\"%1\" font=%2").arg(l->text()).arg(l->font().pixelSize());
        } else if (const auto *r = qobject_cast<const kvt::RoundShape *>(w)) {
            linha += QStringLiteral(" brush=%1").arg(cor(r->brushColor()));
        }
        linhas << linha.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    }
    for (kvt::MemTable *t : form.tabelas()) {
        for (const kvt::FieldDef &f : t->designFields()) {
            linhas << QStringLiteral("column %1.%2 type=%3 size=%4 label=\"%5\"%6 width=%7")
                          .arg(t->name(), f.name)
                          .arg(int(f.type))
                          .arg(f.size)
                          .arg(f.label, f.hidden ? QStringLiteral(" hidden") : QString())
                          .arg(f.displayWidth);
        }
    }
    for (const TipoVenda &tipo : arTipoVenda) {
        linhas << QStringLiteral("sale type %1 %2")
                      .arg(QString::fromLatin1(tipo.cdTipoVenda),
                           QString::fromUtf8(tipo.nmTipoVenda));
    }
    for (const QString &mensagem : controle<TMessages>(form, "msgPadrao")->lines())
        linhas << QStringLiteral("message ") + mensagem;
    return linhas;
}

// The visible touch controls right under a parent.
QList<QWidget *> controlesDeToque(const QWidget &pai)
{
    QList<QWidget *> controles;
    for (QWidget *w : pai.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        const bool toque =
            qobject_cast<kvt::TouchButton *>(w) || qobject_cast<kvt::PictureButton *>(w);
        // Field 8's border is a button drawn behind its field.
        if (toque && !w->isHidden() && !w->objectName().startsWith(QLatin1String("blsBorda")))
            controles << w;
    }
    return controles;
}

} // namespace

void tst_FrmCadCons::comoConstruido()
{
    // Compared with a golden file, so that any change to the form is a diff to review;
    // KVT_UPDATE_GOLDEN=1 writes the file anew.
    TfrmCadCons form;
    const QStringList atual = retrato(form);
    const QString arquivo = qEnvironmentVariable("KVT_SOURCE_DIR") +
                            QStringLiteral("/tests/client/golden/frmcadcons.txt");
    QFile golden(arquivo);
    if (qEnvironmentVariableIntValue("KVT_UPDATE_GOLDEN")) {
        QVERIFY(golden.open(QIODevice::WriteOnly | QIODevice::Text));
        golden.write(atual.join(QLatin1Char('\n')).toUtf8() + '\n');
        return;
    }
    QVERIFY2(golden.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(arquivo));
    const QStringList esperado =
        QString::fromUtf8(golden.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (int i = 0; i < qMax(atual.size(), esperado.size()); ++i) {
        QCOMPARE(atual.value(i, QStringLiteral("<missing>")),
                 esperado.value(i, QStringLiteral("<missing>")));
    }
}

void tst_FrmCadCons::leiaute()
{
    TfrmCadCons form;
    form.resize(800, 600);
    const QRect janela = form.rect();
    for (QWidget *w : form.findChildren<QWidget *>()) {
        const QRect r(w->mapTo(&form, QPoint()), w->size());
        QVERIFY2(janela.contains(r), qPrintable(w->objectName()));
    }
    // Touch controls never overlap and are big enough for a finger.
    const QList<QWidget *> pais = {&form, controle<QFrame>(form, "panConsumidor"), controle<QFrame>(form, "panTeclado")};
    for (QWidget *pai : pais) {
        const QList<QWidget *> controles = controlesDeToque(*pai);
        for (int i = 0; i < controles.size(); ++i) {
            QVERIFY2(controles[i]->height() >= 25 && controles[i]->width() >= 40,
                     qPrintable(controles[i]->objectName()));
            for (int j = i + 1; j < controles.size(); ++j) {
                // The magnifiers of stacked rows touch by their transparent edges by design.
                if (qobject_cast<kvt::ListButton *>(controles[i]) &&
                    qobject_cast<kvt::ListButton *>(controles[j]))
                    continue;
                QVERIFY2(!controles[i]->geometry().intersects(controles[j]->geometry()),
                         qPrintable(controles[i]->objectName() + QLatin1Char(' ') +
                                    controles[j]->objectName()));
            }
        }
    }
    // Every field sits inside its border, and no label covers a touch control.
    for (int numero = 1; numero <= TfrmCadCons::kNumCampos; ++numero) {
        QWidget *campo = form.campo(numero);
        QCOMPARE(form.borda(numero)->parentWidget(), campo->parentWidget());
        QVERIFY(form.borda(numero)->geometry().contains(campo->geometry()));
        QCOMPARE(campo->property("tag").toInt(), numero);
    }
    for (QLabel *rotulo : form.findChildren<QLabel *>()) {
        for (QWidget *controle : controlesDeToque(*rotulo->parentWidget())) {
            QVERIFY2(!rotulo->geometry().intersects(controle->geometry()),
                     qPrintable(rotulo->objectName() + QLatin1Char(' ') + controle->objectName()));
        }
    }
}

// clang-format off
void tst_FrmCadCons::mudaCor_data()
{
    QTest::addColumn<int>("numero");
    QTest::addColumn<QString>("borda");
    QTest::newRow("1") << 1 << "blsBorda1";
    QTest::newRow("8, a button") << 8 << "blsBorda8";
    QTest::newRow("10") << 10 << "blsBorda19";
    QTest::newRow("12") << 12 << "blsBorda18";
    QTest::newRow("18") << 18 << "blsBorda16";
}
// clang-format on

void tst_FrmCadCons::mudaCor()
{
    QFETCH(int, numero);
    QFETCH(QString, borda);

    const auto cor = [](QWidget *w) {
        if (auto *shape = qobject_cast<kvt::RoundShape *>(w))
            return shape->brushColor();
        return qobject_cast<kvt::TouchButton *>(w)->faceColor();
    };

    TfrmCadCons form;
    // Start from another current field so the old highlight has to go.
    form.edicao().inLblAtiv = numero == 1 ? 2 : 1;
    form.mudaCor();
    form.edicao().inLblAtiv = numero;
    form.mudaCor();
    QCOMPARE(cor(form.findChild<QWidget *>(borda)), QColor(Qt::black));
    for (int outro = 1; outro <= TfrmCadCons::kNumCampos; ++outro) {
        if (outro != numero)
            QCOMPARE(cor(form.borda(outro)), kCorBorda);
    }
    QCOMPARE(form.property("inLblAtiv").toInt(), numero);
}

void tst_FrmCadCons::estadoInicial()
{
    TfrmCadCons form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Cadastro de Consumidor"));
    QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
    // Geometry, captions and the fields by number are the golden file's (comoConstruido, leiaute).
    QVERIFY(controle<QFrame>(form, "panOutros")->isHidden());
    QCOMPARE(controle<QFrame>(form, "panTeclado")->palette().color(QPalette::Window),
             QColor(Qt::white));
    QVERIFY(!form.campo(0));
    QVERIFY(!form.campo(cadcons::kNumTextos + 1));
    QVERIFY(!tabela(form, "cdsPais")->active());
    QVERIFY(!tabela(form, "cdsTipoVenda")->active());
    QVERIFY(!form.edicao().estado.adqPesqConsumidor);
}

void tst_FrmCadCons::tiposVenda()
{
    TfrmCadCons form;
    form.BuscaTipoVenda();
    // Twice: the list is rebuilt, not appended to; in code order for the list dialog.
    form.BuscaTipoVenda();
    QCOMPARE(tabela(form, "cdsTipoVenda")->recordCount(), int(arTipoVenda.size()));
    for (int i = 0; i < tabela(form, "cdsTipoVenda")->recordCount(); ++i)
        QCOMPARE(tabela(form, "cdsTipoVenda")->value(i, 0).toString(), QString::number(i + 1));
    QVERIFY(tabela(form, "cdsTipoVenda")->locate({QStringLiteral("CDTIPOVENDA")}, {QStringLiteral("3")}));
    QCOMPARE(tabela(form, "cdsTipoVenda")->asString(QStringLiteral("NMTIPOVENDA")), QStringLiteral("A Vista"));
}

void tst_FrmCadCons::colunasProjeto()
{
    TfrmCadCons form;
    for (kvt::MemTable *t : form.tabelas()) {
        if (t->designFields().isEmpty())
            continue;
        // A packet with every design-time column loads; one that lacks any of them does not.
        kvt::PacketTable completo;
        completo.fields = t->designFields();
        QVariantList linha;
        for (const kvt::FieldDef &f : completo.fields)
            linha << (f.type == kvt::FieldType::Float ? QVariant(1.5)
                                                      : QVariant(QStringLiteral("1")));
        completo.rows << linha;
        t->loadFromPacket(kvt::DataPacket::write(completo), t->name());
        QCOMPARE(t->recordCount(), 1);

        for (int falta = 0; falta < completo.fields.size(); ++falta) {
            kvt::PacketTable incompleto = completo;
            incompleto.fields.removeAt(falta);
            incompleto.rows[0].removeAt(falta);
            const QByteArray pacote = kvt::DataPacket::write(incompleto);
            QVERIFY_THROWS_EXCEPTION(kvt::EDatabaseError, t->loadFromPacket(pacote, t->name()));
        }
    }
}

void tst_FrmCadCons::nenhumControleRecebeFoco()
{
    TfrmCadCons form;
    const QList<QWidget *> filhos = form.findChildren<QWidget *>();
    QVERIFY(filhos.size() > 100);
    for (QWidget *w : filhos) {
        if (w->focusPolicy() != Qt::NoFocus)
            QFAIL(qPrintable(w->objectName() + QStringLiteral(" accepts focus")));
    }
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(form.campo(cadcons::NmConsumidor), Qt::LeftButton);
    QTest::mouseClick(controle<kvt::TouchButton>(form, "sbtQ"), Qt::LeftButton);
    QVERIFY(!form.focusWidget() || form.focusWidget() == &form);
}

// clang-format off
void tst_FrmCadCons::teclasNaoFechamDialogo_data()
{
    QTest::addColumn<int>("tecla");
    QTest::addColumn<int>("modificadores");
    QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier);
    QTest::newRow("Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
    QTest::newRow("Ctrl+Return") << int(Qt::Key_Return) << int(Qt::ControlModifier);
    QTest::newRow("Tab") << int(Qt::Key_Tab) << int(Qt::NoModifier);
    QTest::newRow("Backtab") << int(Qt::Key_Backtab) << int(Qt::ShiftModifier);
}
// clang-format on

void tst_FrmCadCons::teclasNaoFechamDialogo()
{
    QFETCH(int, tecla);
    QFETCH(int, modificadores);

    TfrmCadCons form;
    form.edicao().estado.stResult = QStringLiteral("antes");
    QSignalSpy rejeitado(&form, &QDialog::rejected);
    QSignalSpy aceito(&form, &QDialog::accepted);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(&form, Qt::Key(tecla), Qt::KeyboardModifiers(modificadores));
    QVERIFY(form.isVisible());
    QCOMPARE(rejeitado.count(), 0);
    QCOMPARE(aceito.count(), 0);
    QCOMPARE(form.edicao().estado.stResult, QStringLiteral("antes"));
}

void tst_FrmCadCons::sairFechaComSair()
{
    TfrmCadCons form;
    form.edicao().estado.stResult = QStringLiteral("123");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(controle<kvt::PictureButton>(form, "sbtSair"), Qt::LeftButton);
    QVERIFY(!form.isVisible());
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(form.edicao().estado.stResult, QStringLiteral("SAIR"));
}

void tst_FrmCadCons::escapeSai()
{
    TfrmCadCons form;
    form.edicao().estado.stResult = QStringLiteral("123");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(&form, Qt::Key_Escape);
    QVERIFY(!form.isVisible());
    QCOMPARE(form.edicao().estado.stResult, QStringLiteral("SAIR"));
}

void tst_FrmCadCons::tecladoNaTela()
{
    TfrmCadCons form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(form.campo(cadcons::NmConsumidor), Qt::LeftButton);
    QCOMPARE(form.edicao().inLblAtiv, 2);
    QCOMPARE(controle<kvt::RoundShape>(form, "blsBorda2")->brushColor(), QColor(Qt::black));

    QTest::mouseClick(controle<kvt::TouchButton>(form, "sbtShift"), Qt::LeftButton);
    QCOMPARE(controle<kvt::TouchButton>(form, "sbtQ")->caption(), QStringLiteral("Q"));
    QCOMPARE(controle<kvt::TouchButton>(form, "sbtCCdil")->caption(), QStringLiteral("\u00C7"));
    for (QWidget *tecla : {controle<kvt::TouchButton>(form, "sbtA"), controle<kvt::TouchButton>(form, "sbtB"), controle<kvt::TouchButton>(form, "sbtEspaco"), controle<kvt::TouchButton>(form, "sbt7")})
        QTest::mouseClick(tecla, Qt::LeftButton);
    QCOMPARE(form.campo(cadcons::NmConsumidor)->caption(), QStringLiteral("Ab 7"));
    QCOMPARE(controle<kvt::TouchButton>(form, "sbtQ")->caption(), QStringLiteral("q"));

    // The special keys cover the digit row and bring the "@".
    QTest::mouseClick(controle<kvt::PictureButton>(form, "sbtOutros"), Qt::LeftButton);
    QVERIFY(controle<QFrame>(form, "panOutros")->isVisible());
    QTest::mouseClick(controle<kvt::TouchButton>(form, "sbtArroba"), Qt::LeftButton);
    QTest::mouseClick(controle<kvt::PictureButton>(form, "sbtOutros"), Qt::LeftButton);
    QVERIFY(!controle<QFrame>(form, "panOutros")->isVisible());
    QTest::mouseClick(controle<kvt::TouchButton>(form, "sbtBackSpace"), Qt::LeftButton);
    QCOMPARE(form.campo(cadcons::NmConsumidor)->caption(), QStringLiteral("Ab 7"));

    // Clearing the sale type forgets the code picked with it.
    QTest::mouseClick(form.campo(cadcons::TipoVenda), Qt::LeftButton);
    form.campo(cadcons::TipoVenda)->setCaption(QStringLiteral("A Vista"));
    form.edicao().estado.stCdTipoVenda = QStringLiteral("3");
    QTest::mouseClick(controle<kvt::PictureButton>(form, "sbtLimpar"), Qt::LeftButton);
    QCOMPARE(form.campo(cadcons::TipoVenda)->caption(), QString());
    QCOMPARE(form.edicao().estado.stCdTipoVenda, QString());

    // A name display selects its code; the on-screen Enter moves forward.
    QTest::mouseClick(form.campo(cadcons::NmMuni), Qt::LeftButton);
    QCOMPARE(form.edicao().inLblAtiv, 16);
    QTest::mouseClick(controle<kvt::TouchButton>(form, "sbtEnter"), Qt::LeftButton);
    QCOMPARE(form.edicao().inLblAtiv, 17);
    QCOMPARE(controle<kvt::RoundShape>(form, "blsBorda15")->brushColor(), QColor(Qt::black));
    QCOMPARE(controle<kvt::RoundShape>(form, "blsBorda14")->brushColor(), kCorBorda);
}

void tst_FrmCadCons::teclasFisicas()
{
    int fiscal = 0;
    RelFiscais = [&fiscal] { ++fiscal; };
    TfrmCadCons form;
    form.edicao().inLblAtiv = 1;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(&form, Qt::Key_Return);
    QCOMPARE(form.edicao().inLblAtiv, 2);
    QTest::keyClicks(&form, QStringLiteral("Ana"));
    QTest::keyClick(&form, Qt::Key_Underscore, Qt::ShiftModifier);
    QTest::keyClick(&form, Qt::Key_CapsLock);
    QCOMPARE(controle<kvt::TouchButton>(form, "sbtQ")->caption(), QStringLiteral("Q"));
    QTest::keyClicks(&form, QStringLiteral("b-"));
    QTest::keyClick(&form, Qt::Key_Backspace);
    QTest::keyClicks(&form, QStringLiteral("c"));
    QCOMPARE(form.campo(cadcons::NmConsumidor)->caption(), QStringLiteral("ana_C"));

    QTest::keyClick(&form, Qt::Key_F1);
    QCOMPARE(fiscal, 0);
    form.edicao().estado.boUtilizaImpFis = true;
    QTest::keyClick(&form, Qt::Key_F1);
    QCOMPARE(fiscal, 1);
    QTest::keyClick(&form, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(form.edicao().inLblAtiv, 1);
    QCOMPARE(controle<kvt::RoundShape>(form, "blsBorda1")->brushColor(), QColor(Qt::black));
    RelFiscais = nullptr;
}

void tst_FrmCadCons::altF4CapturaSemFechar()
{
    QStringList capturas;
    DigitalConsumidor = [&capturas](int, int, const QString &nome, QVariant &retorno) {
        capturas << nome;
        retorno = QVariantList{QStringLiteral("t1"), QStringLiteral("t2")};
    };
    TfrmCadCons form;
    form.edicao().estado.stResult = QStringLiteral("123");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.campo(cadcons::NmConsumidor)->setCaption(QStringLiteral("ana"));
    QTest::keyClick(&form, Qt::Key_F4, Qt::AltModifier);
    // The window system's close request that follows the key is the key's.
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    QCOMPARE(capturas, QStringList{QStringLiteral("ana")});
    QCOMPARE(stDigital, QStringLiteral("t1"));
    QCOMPARE(stDigital2, QStringLiteral("t2"));
    // Any other close request leaves as Sair does.
    QVERIFY(form.close());
    QVERIFY(!form.isVisible());
    QCOMPARE(form.edicao().estado.stResult, QStringLiteral("SAIR"));
    DigitalConsumidor = nullptr;
    stDigital.clear();
    stDigital2.clear();
}

QTEST_MAIN(tst_FrmCadCons)
#include "tst_frmcadcons.moc"
