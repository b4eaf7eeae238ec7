#include "host/DataSetModel.h"
#include "host/DigitalDialog.h"
#include "host/HostZet.h"
#include "host/MensagemDialog.h"
#include "host/PesquisaDialog.h"
#include "host/ScreenServices.h"
#include "toolkit/MemTable.h"
#include "toolkit/TouchButton.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

const QStringList Bairros{QStringLiteral("Centro"), QStringLiteral("São José"),
                          QStringLiteral("JARDIM SAO PAULO"), QStringLiteral("Vila Nova"),
                          QStringLiteral("Jardim América")};

std::unique_ptr<kvt::MemTable> makeBairros()
{
    kvt::FieldDef taxa;
    taxa.name = QStringLiteral("VRTXENTREGA");
    taxa.type = kvt::FieldType::Float;
    taxa.hidden = true;
    auto table = std::make_unique<kvt::MemTable>(
        QStringLiteral("cdsBairro"),
        QList<kvt::FieldDef>{
            kvt::stringField(QStringLiteral("CDBAIRRO"), 10, QStringLiteral("Código")),
            kvt::stringField(QStringLiteral("NMBAIRRO"), 50, QStringLiteral("Nome")), taxa,
            kvt::stringField(QStringLiteral("QTHORAENTREGA"), 4, {}, true)});
    table->createDataSet();
    for (int i = 0; i < Bairros.size(); ++i) {
        table->appendRecord({QStringLiteral("%1").arg(i + 1, 10, 10, QLatin1Char('0')),
                             Bairros.at(i), 2.5 * i, QStringLiteral("30")});
    }
    return table;
}

// Types as a keyboard would, accented letters included (QTest::keyClicks knows only ASCII keys).
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

QStringList shownNames(const PesquisaDialog &dialog)
{
    QStringList names;
    const QAbstractItemModel *model = dialog.view()->model();
    for (int row = 0; row < model->rowCount(); ++row)
        names << model->index(row, 1).data().toString();
    return names;
}

// Runs `answer` on the modal dialog once the blocking call has opened it. A dialog left open
// is closed after a while so a failing test ends instead of hanging.
class ModalAnswer
{
public:
    explicit ModalAnswer(std::function<void(QWidget *)> answer)
    {
        QTimer::singleShot(0, &m_context, [this, answer] {
            QWidget *modal = QApplication::activeModalWidget();
            m_seen = modal != nullptr;
            if (modal)
                answer(modal);
        });
        QTimer::singleShot(5000, &m_context, [this] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                m_leftOpen = true;
                dialog->done(QDialog::Rejected);
            }
        });
    }
    bool seen() const { return m_seen; }
    bool leftOpen() const { return m_leftOpen; }

private:
    QObject m_context;
    bool m_seen = false;
    bool m_leftOpen = false;
};

} // namespace

class TstScreenServices : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installDefaultScreenServices(); }

    void foldsCaseAndAccents_data();
    void foldsCaseAndAccents();
    void listShowsLabelsAndHidesHiddenColumns();
    void typingNarrows_data();
    void typingNarrows();
    void keysChooseRow_data();
    void keysChooseRow();
    void doubleClickChooses();
    void pesquisaAnswersAndPositions_data();
    void pesquisaAnswersAndPositions();
    void pesquisaOnClosedTableIsFalse();

    void mensagemKindsLookDifferent();
    void mensagemAcknowledgedByKeys_data();
    void mensagemAcknowledgedByKeys();
    void mensagemShowsTextAsTyped();
    void mensagemShowsDialogAndReturnsOnEnter();

    void digitalFillsOrClearsTemplates_data();
    void digitalFillsOrClearsTemplates();
    void relFiscaisClosesWithFechar();
};

void TstScreenServices::foldsCaseAndAccents_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("folded");
    QTest::newRow("upper") << QStringLiteral("JOAO") << QStringLiteral("joao");
    QTest::newRow("accents") << QStringLiteral("ÁÀÂÃÄ áàâãä") << QStringLiteral("aaaaa aaaaa");
    QTest::newRow("cedilla") << QStringLiteral("Ç ç") << QStringLiteral("c c");
    QTest::newRow("e i o u") << QStringLiteral("ÉÊÍÓÔÕÚÜ") << QStringLiteral("eeiooouu");
    QTest::newRow("n y") << QStringLiteral("Ññýÿ") << QStringLiteral("nnyy");
    QTest::newRow("cp1252 extras") << QStringLiteral("ŠšŽžŸ") << QStringLiteral("sszzy");
    QTest::newRow("digits and signs")
        << QStringLiteral("(11)9 - nº/ª") << QStringLiteral("(11)9 - nº/ª");
}

void TstScreenServices::foldsCaseAndAccents()
{
    QFETCH(QString, text);
    QFETCH(QString, folded);
    QCOMPARE(foldForSearch(text), folded);
}

void TstScreenServices::listShowsLabelsAndHidesHiddenColumns()
{
    const auto table = makeBairros();
    PesquisaDialog dialog(*table, {});
    const QAbstractItemModel *model = dialog.view()->model();
    QCOMPARE(model->columnCount(), 2);
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Código"));
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Nome"));
    QCOMPARE(model->rowCount(), Bairros.size());
    QCOMPARE(model->index(2, 0).data().toString(), QStringLiteral("0000000003"));
    QCOMPARE(shownNames(dialog), Bairros);
}

void TstScreenServices::typingNarrows_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("backspaces");
    QTest::addColumn<QString>("typedAfter");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("nothing") << QString() << 0 << QString() << Bairros;
    QTest::newRow("contains") << QStringLiteral("ard") << 0 << QString()
                              << QStringList{QStringLiteral("JARDIM SAO PAULO"),
                                             QStringLiteral("Jardim América")};
    QTest::newRow("accent typed, none stored")
        << QStringLiteral("SÃO") << 0 << QString()
        << QStringList{QStringLiteral("São José"), QStringLiteral("JARDIM SAO PAULO")};
    QTest::newRow("accent stored, none typed") << QStringLiteral("america") << 0 << QString()
                                               << QStringList{QStringLiteral("Jardim América")};
    QTest::newRow("code column") << QStringLiteral("04") << 0 << QString()
                                 << QStringList{QStringLiteral("Vila Nova")};
    QTest::newRow("hidden columns not searched")
        << QStringLiteral("30") << 0 << QString() << QStringList{};
    QTest::newRow("no match") << QStringLiteral("xyz") << 0 << QString() << QStringList{};
    // After narrowing, a shorter text must widen the list again.
    QTest::newRow("backspace widens") << QStringLiteral("jardim") << 6 << QStringLiteral("vila")
                                      << QStringList{QStringLiteral("Vila Nova")};
    QTest::newRow("backspace to a wider text")
        << QStringLiteral("jose") << 3 << QStringLiteral("a")
        << QStringList{QStringLiteral("JARDIM SAO PAULO"), QStringLiteral("Jardim América")};
    QTest::newRow("all erased") << QStringLiteral("xyz") << 3 << QString() << Bairros;
}

void TstScreenServices::typingNarrows()
{
    QFETCH(QString, typed);
    QFETCH(int, backspaces);
    QFETCH(QString, typedAfter);
    QFETCH(QStringList, names);
    const auto table = makeBairros();
    PesquisaDialog dialog(*table, {});
    const QAbstractItemModelTester tester(dialog.view()->model(),
                                          QAbstractItemModelTester::FailureReportingMode::QtTest);
    typeText(dialog.searchLine(), typed);
    for (int i = 0; i < backspaces; ++i)
        QTest::keyClick(dialog.searchLine(), Qt::Key_Backspace);
    typeText(dialog.searchLine(), typedAfter);
    QCOMPARE(shownNames(dialog), names);
}

void TstScreenServices::keysChooseRow_data()
{
    QTest::addColumn<int>("startRow");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<int>("chosen");
    const int enter = Qt::Key_Return;
    QTest::newRow("opens on the current row") << 3 << QString() << QList<int>{enter} << 3;
    QTest::newRow("first match") << 0 << QStringLiteral("sao") << QList<int>{enter} << 1;
    QTest::newRow("down to the second match")
        << 0 << QStringLiteral("jard") << QList<int>{Qt::Key_Down, int(Qt::Key_Enter)} << 4;
    QTest::newRow("down stops at the last row")
        << 0 << QStringLiteral("jard") << QList<int>{Qt::Key_Down, Qt::Key_Down, enter} << 4;
    QTest::newRow("up and page down")
        << 2 << QString() << QList<int>{Qt::Key_Up, Qt::Key_PageDown, Qt::Key_PageUp, enter} << 0;
    QTest::newRow("enter with no match keeps the row")
        << 2 << QStringLiteral("xyz") << QList<int>{enter} << 2;
    QTest::newRow("escape keeps the row")
        << 2 << QStringLiteral("jard") << QList<int>{Qt::Key_Down, Qt::Key_Escape} << 2;
}

void TstScreenServices::keysChooseRow()
{
    QFETCH(int, startRow);
    QFETCH(QString, typed);
    QFETCH(QList<int>, keys);
    QFETCH(int, chosen);
    const auto table = makeBairros();
    table->setRecNo(startRow);
    PesquisaDialog dialog(*table, {});
    dialog.show();
    typeText(dialog.searchLine(), typed);
    for (const int key : keys)
        QTest::keyClick(dialog.searchLine(), Qt::Key(key));
    QCOMPARE(table->recNo(), chosen);
    const bool accepted = keys.last() != Qt::Key_Escape && typed != QStringLiteral("xyz");
    QCOMPARE(dialog.result(), accepted ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QCOMPARE(dialog.isVisible(), typed == QStringLiteral("xyz"));
}

void TstScreenServices::doubleClickChooses()
{
    const auto table = makeBairros();
    table->setRecNo(0);
    PesquisaDialog dialog(*table, {});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    typeText(dialog.searchLine(), QStringLiteral("a"));
    const QModelIndex index = dialog.view()->model()->index(2, 1);
    QCOMPARE(index.data().toString(), QStringLiteral("Vila Nova"));
    const QPoint at = dialog.view()->visualRect(index).center();
    // A real double click: the first click, then the second that Qt reports as a double click.
    QTest::mouseClick(dialog.view()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(dialog.view()->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(table->asString(QStringLiteral("NMBAIRRO")), QStringLiteral("Vila Nova"));
}

void TstScreenServices::pesquisaAnswersAndPositions_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("chosen");
    QTest::addColumn<QString>("current");
    QTest::newRow("enter") << int(Qt::Key_Return) << true << QStringLiteral("Jardim América");
    QTest::newRow("escape") << int(Qt::Key_Escape) << false << QStringLiteral("Vila Nova");
}

void TstScreenServices::pesquisaAnswersAndPositions()
{
    QFETCH(int, key);
    QFETCH(bool, chosen);
    QFETCH(QString, current);
    const auto table = makeBairros();
    table->setRecNo(3);
    ModalAnswer answer([key](QWidget *modal) {
        auto *dialog = qobject_cast<PesquisaDialog *>(modal);
        if (!dialog)
            return;
        typeText(dialog->searchLine(), QStringLiteral("améri"));
        QTest::keyClick(dialog->searchLine(), Qt::Key(key));
    });
    QCOMPARE(Pesquisa(*table, 0, QStringLiteral("N"), 0, 0, 0, 0, 0), chosen);
    QVERIFY(answer.seen());
    QVERIFY(!answer.leftOpen());
    QCOMPARE(table->asString(QStringLiteral("NMBAIRRO")), current);
}

void TstScreenServices::pesquisaOnClosedTableIsFalse()
{
    kvt::MemTable closed(QStringLiteral("cdsPais"),
                         {kvt::stringField(QStringLiteral("CDPAIS"), 4, QStringLiteral("Código"))});
    ModalAnswer answer([](QWidget *) {});
    QVERIFY(!Pesquisa(closed, 0, QStringLiteral("S"), 0, 0, 0, 0, 0));
    QVERIFY(!answer.leftOpen());
}

void TstScreenServices::mensagemKindsLookDifferent()
{
    const auto bandOf = [](int tipo) {
        MensagemDialog dialog(QStringLiteral("Texto"), tipo);
        // Right end of the band, clear of the icon.
        return dialog.grab().toImage().pixelColor(dialog.width() - 12,
                                                  MensagemDialog::BandHeight / 2);
    };
    const QColor success = bandOf(0);
    const QColor identity = bandOf(2);
    const QColor failure = bandOf(3);
    QVERIFY(success != identity && success != failure && identity != failure);
    QVERIFY(success.green() > success.red() && success.green() > success.blue());
    QVERIFY(failure.red() > failure.green() + failure.blue());
    QVERIFY(identity.red() > identity.blue() && identity.green() > identity.blue());
}

void TstScreenServices::mensagemAcknowledgedByKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("return") << int(Qt::Key_Return);
    QTest::newRow("enter") << int(Qt::Key_Enter);
    QTest::newRow("escape") << int(Qt::Key_Escape);
    QTest::newRow("space") << int(Qt::Key_Space);
}

void TstScreenServices::mensagemAcknowledgedByKeys()
{
    QFETCH(int, key);
    MensagemDialog dialog(QStringLiteral("Operação realizada com sucesso."), 0);
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key(key));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void TstScreenServices::mensagemShowsTextAsTyped()
{
    const QString text =
        QStringLiteral("Número de telefone já cadastrado para o consumidor \" <b>Ana</b> \".");
    MensagemDialog dialog(text, 0);
    const QList<QLabel *> labels = dialog.findChildren<QLabel *>();
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.first()->text(), text);
    QCOMPARE(labels.first()->textFormat(), Qt::PlainText);
}

void TstScreenServices::mensagemShowsDialogAndReturnsOnEnter()
{
    // The host library's Mensagem, without a handler, reaches the dialog installed with the
    // screen services.
    QString shown;
    ModalAnswer answer([&shown](QWidget *modal) {
        if (!qobject_cast<MensagemDialog *>(modal))
            return;
        for (const QLabel *label : modal->findChildren<QLabel *>())
            shown += label->text();
        QTest::keyClick(modal, Qt::Key_Return);
    });
    Mensagem(QStringLiteral("Cpf inválido."));
    QVERIFY(answer.seen());
    QVERIFY(!answer.leftOpen());
    QCOMPARE(shown, QStringLiteral("Cpf inválido."));
}

void TstScreenServices::digitalFillsOrClearsTemplates_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("captured");
    QTest::newRow("capturar") << QStringLiteral("capturar") << true;
    QTest::newRow("cancelar") << QStringLiteral("cancelar") << false;
}

void TstScreenServices::digitalFillsOrClearsTemplates()
{
    QFETCH(QString, button);
    QFETCH(bool, captured);
    QString shownName;
    ModalAnswer answer([&](QWidget *modal) {
        for (const QLabel *label : modal->findChildren<QLabel *>())
            shownName += label->text();
        if (auto *b = modal->findChild<kvt::TouchButton *>(button))
            QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
    });
    QVariant retorno = QVariantList{QStringLiteral("velho"), QStringLiteral("velho")};
    DigitalConsumidor(0, 0, QStringLiteral("Maria da Silva"), retorno);
    QVERIFY(!answer.leftOpen());
    QCOMPARE(shownName, QStringLiteral("Maria da Silva"));

    const QVariantList list = retorno.toList();
    QCOMPARE(list.size(), 2);
    QCOMPARE(list.at(0).typeId(), QMetaType::QString);
    QCOMPARE(list.at(1).typeId(), QMetaType::QString);
    if (!captured) {
        QVERIFY(list.at(0).toString().isEmpty() && list.at(1).toString().isEmpty());
        return;
    }
    QVERIFY(list.at(0).toString() != list.at(1).toString());
    for (const QVariant &t : list) {
        const auto decoded = QByteArray::fromBase64Encoding(
            t.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        QVERIFY(decoded);
        QCOMPARE(decoded.decoded.size(), 256);
    }
}

void TstScreenServices::relFiscaisClosesWithFechar()
{
    QStringList texts;
    ModalAnswer answer([&texts](QWidget *modal) {
        for (const QLabel *label : modal->findChildren<QLabel *>())
            texts << label->text();
        for (auto *b : modal->findChildren<kvt::TouchButton *>()) {
            texts << b->caption();
            QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
        }
    });
    RelFiscais();
    QVERIFY(!answer.leftOpen());
    QCOMPARE(texts, (QStringList{QStringLiteral("Menu Fiscal"), QStringLiteral("Fechar")}));
}

QTEST_MAIN(TstScreenServices)
#include "tst_screenservices.moc"
