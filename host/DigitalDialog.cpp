#include "DigitalDialog.h"

#include "toolkit/TouchButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QRandomGenerator>
#include <QVBoxLayout>
#include <QVariant>

namespace {
constexpr int TemplateBytes = 256;

QString makeTemplate()
{
    QByteArray bytes(TemplateBytes, Qt::Uninitialized);
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(bytes.data()),
                                          TemplateBytes / int(sizeof(quint32)));
    return QString::fromLatin1(bytes.toBase64());
}
} // namespace

DigitalDialog::DigitalDialog(const QString &nome, QWidget *parent) : TouchDialog(parent)
{
    QFont big = font();
    big.setPixelSize(24);
    big.setBold(true);

    auto *name = new QLabel(nome, this);
    name->setTextFormat(Qt::PlainText);
    name->setAlignment(Qt::AlignCenter);
    name->setWordWrap(true);
    name->setFont(big);
    name->setMinimumHeight(90);

    kvt::TouchButton *capturar = makeButton(QStringLiteral("Capturar"), frameColour());
    kvt::TouchButton *cancelar = makeButton(QStringLiteral("Cancelar"), QColor(128, 128, 128));
    capturar->setObjectName(QStringLiteral("capturar"));
    cancelar->setObjectName(QStringLiteral("cancelar"));
    connect(capturar, &kvt::TouchButton::clicked, this, &DigitalDialog::capture);
    connect(cancelar, &kvt::TouchButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(capturar);
    buttons->addSpacing(24);
    buttons->addWidget(cancelar);
    buttons->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 20);
    layout->setSpacing(20);
    layout->addWidget(name);
    layout->addLayout(buttons);

    setFixedWidth(520);
    adjustSize();
}

void DigitalDialog::capture()
{
    m_templates = {makeTemplate(), makeTemplate()};
    accept();
}

void fillDigitalRetorno(QVariant &retorno, const QStringList &templates)
{
    QVariantList list = retorno.toList();
    while (list.size() < 2)
        list.append(QString());
    list[0] = templates.value(0);
    list[1] = templates.value(1);
    retorno = list;
}
