#include "PesquisaDialog.h"

#include "DataSetModel.h"
#include "toolkit/Colors.h"
#include "toolkit/DataSet.h"
#include "toolkit/Dispatch.h"
#include "toolkit/PictureButton.h"
#include "toolkit/TouchButton.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {
constexpr int RowHeight = 40; // a row a finger can hit
constexpr int MaxColumnChars = 40;
// Codes, numbers, CPFs and telephones keep their width; longer texts share what is left.
constexpr int MaxCodeChars = 16;
constexpr int DialogWidth = 760;
constexpr int DialogHeight = 560;
constexpr int Margin = 14;
constexpr int ScrollBarWidth = 30;

// The magnifying glass beside the search line, as on the form's list buttons.
class SearchMark : public QWidget
{
public:
    explicit SearchMark(QWidget *parent) : QWidget(parent) { setFixedSize(44, 44); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        kvt::paintPicture(p, QRectF(rect()).adjusted(4, 4, -4, -4), kvt::Picture::Magnifier,
                          TouchDialog::frameColour());
    }
};

QColor colourOr(int stored, const QColor &fallback)
{
    return stored != 0 ? kvt::tcolor(stored) : fallback;
}

// Text over a face: the stored colour unless it would vanish on the face (0 is both "none"
// and black; a white heading with text 0 left the captions white on white).
QColor textOn(const QColor &face, int stored)
{
    const QColor contrasting = face.lightness() > 127 ? QColor(Qt::black) : QColor(Qt::white);
    const QColor text = colourOr(stored, contrasting);
    return std::abs(text.lightness() - face.lightness()) < 64 ? contrasting : text;
}

// Rows a key moves the chosen row by; 0 for a key that does not move it.
int stepOf(int key, int page)
{
    switch (key) {
    case Qt::Key_Up:
        return -1;
    case Qt::Key_Down:
        return 1;
    case Qt::Key_PageUp:
        return -page;
    case Qt::Key_PageDown:
        return page;
    default:
        return 0;
    }
}
} // namespace

PesquisaDialog::PesquisaDialog(kvt::DataSet &tabela, const PesquisaCores &cores, QWidget *parent)
    : TouchDialog(parent), m_tabela(tabela), m_model(new DataSetModel(tabela, this)),
      m_view(new QTableView(this)), m_search(new QLineEdit(this))
{
    QFont big = font();
    big.setPixelSize(20);
    QFont rows = font();
    rows.setPixelSize(18);

    m_search->setFont(big);
    m_search->setMinimumHeight(48);
    m_search->setMaxLength(kvt::RowSearch::kTextMax);
    m_search->installEventFilter(this);
    connect(m_search, &QLineEdit::textChanged, this,
            [this](const QString &text) { kvt::dispatch([&] { narrow(text); }); });

    m_view->setModel(m_model);
    m_view->setFont(rows);
    // The search line keeps the keyboard; the arrows reach the list from there.
    m_view->setFocusPolicy(Qt::NoFocus);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setWordWrap(false);
    m_view->verticalHeader()->hide();
    // Fixed heights let the view lay out a million rows without asking each one.
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(RowHeight);
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->horizontalHeader()->setSectionsClickable(false);
    m_view->horizontalHeader()->setHighlightSections(false);
    m_view->horizontalHeader()->setMinimumHeight(RowHeight);
    m_view->verticalScrollBar()->setStyleSheet(
        QStringLiteral("QScrollBar:vertical { width: %1px; }").arg(ScrollBarWidth));
    connect(m_view, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { kvt::dispatch([&] { choose(index.row()); }); });
    applyColours(cores);
    sizeColumns();

    kvt::TouchButton *ok = makeButton(QStringLiteral("OK"), frameColour());
    kvt::TouchButton *cancel = makeButton(QStringLiteral("Cancelar"), QColor(128, 128, 128));
    connect(ok, &kvt::TouchButton::clicked, this,
            [this] { kvt::dispatch([&] { enterPressed(); }); });
    connect(cancel, &kvt::TouchButton::clicked, this, &QDialog::reject);

    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(new SearchMark(this));
    searchRow->addWidget(m_search);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addSpacing(24);
    buttons->addWidget(cancel);
    buttons->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(Margin, Margin, Margin, Margin);
    layout->setSpacing(10);
    layout->addLayout(searchRow);
    layout->addWidget(m_view, 1);
    layout->addLayout(buttons);

    setFixedSize(DialogWidth, DialogHeight);
    m_search->setFocus();

    // Open on the data set's current row, so the operator sees where the table stands; a list
    // read in windows opens on its first, as finding the current one would mean counting.
    const int current = m_model->searchesItself() ? 0 : tabela.recNo();
    selectRow(current >= 0 && current < m_model->rowCount() ? current : 0);
}

void PesquisaDialog::applyColours(const PesquisaCores &cores)
{
    const QColor head = colourOr(cores.cabecalho, frameColour());
    const QColor headText = textOn(head, cores.textoCabecalho);
    m_view->horizontalHeader()->setStyleSheet(
        QStringLiteral(
            "QHeaderView::section { background-color: %1; color: %2; font-weight: bold;"
            " font-size: 18px; padding: 4px; border: none; border-right: 1px solid white; }")
            .arg(head.name(), headText.name()));

    QPalette pal = m_view->palette();
    const QColor chosen = colourOr(cores.selecao, QColor(250, 205, 180));
    pal.setColor(QPalette::Highlight, chosen);
    pal.setColor(QPalette::HighlightedText, textOn(chosen, cores.textoSelecao));
    m_view->setPalette(pal);
}

void PesquisaDialog::sizeColumns()
{
    const QFontMetrics fm(m_view->font());
    // Codes are digits, wider than the average letter.
    const int charWidth = std::max(fm.averageCharWidth(), fm.horizontalAdvance(QLatin1Char('0')));
    const QList<kvt::FieldDef> &fields = m_tabela.fields();
    std::vector<int> widths;
    std::vector<bool> flexible; // a text: gives up room when the list is too wide
    std::vector<int> least;     // a caption is never cut
    int total = 0;
    for (int column = 0; column < m_model->columnCount(); ++column) {
        const kvt::FieldDef &f = fields.at(m_model->fieldOfColumn(column));
        int chars = f.displayWidth > 0 ? f.displayWidth : std::min(f.size, MaxColumnChars);
        if (chars <= 0)
            chars = 12;
        least.push_back(fm.horizontalAdvance(f.displayLabel()) + 24);
        widths.push_back(std::max(chars * charWidth + 16, least.back()));
        flexible.push_back(chars > MaxCodeChars);
        total += widths.back();
    }
    // Never a sideways scroll on a touch screen: what is missing comes from the flexible
    // columns in proportion to their widths, none below its caption (the text shows elided).
    const int available = DialogWidth - 2 * Margin - 2 * m_view->frameWidth() - ScrollBarWidth;
    bool settled = total <= available;
    while (!settled) {
        int room = available;
        qint64 shared = 0;
        for (size_t i = 0; i < widths.size(); ++i) {
            if (flexible[i])
                shared += widths[i];
            else
                room -= widths[i];
        }
        settled = true;
        for (size_t i = 0; i < widths.size() && shared > 0; ++i) {
            if (!flexible[i])
                continue;
            const int width = int(qint64(room) * widths[i] / shared);
            // One at its caption is settled; the others share the room again without it.
            settled = settled && width >= least[i];
            widths[i] = std::max(width, least[i]);
            flexible[i] = width > least[i];
        }
    }
    for (size_t i = 0; i < widths.size(); ++i)
        m_view->setColumnWidth(int(i), widths[i]);
}

void PesquisaDialog::narrow(const QString &text)
{
    m_model->setSearchText(text);
    selectRow(0);
}

void PesquisaDialog::selectRow(int row)
{
    if (row < 0 || row >= m_model->rowCount() || m_model->columnCount() == 0)
        return;
    const QModelIndex index = m_model->index(row, 0);
    m_view->setCurrentIndex(index);
    m_view->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void PesquisaDialog::choose(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    m_model->choose(row);
    accept();
}

void PesquisaDialog::enterPressed()
{
    choose(m_view->currentIndex().row());
}

bool PesquisaDialog::moveByKey(int key)
{
    const int page = std::max(1, m_view->viewport()->height() / RowHeight - 1);
    const int step = stepOf(key, page);
    if (step == 0)
        return false;
    const int last = m_model->rowCount() - 1;
    selectRow(std::clamp(m_view->currentIndex().row() + step, 0, std::max(last, 0)));
    return true;
}

bool PesquisaDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_search || event->type() != QEvent::KeyPress)
        return TouchDialog::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        kvt::dispatch([this] { enterPressed(); });
        return true;
    case Qt::Key_Escape:
        escapePressed();
        return true;
    default:
        return moveByKey(key->key());
    }
}

void PesquisaDialog::keyPressEvent(QKeyEvent *event)
{
    if (moveByKey(event->key()))
        return;
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint())
        m_search->insert(text); // typing always goes to the search line
    else
        kvt::dispatch([&] { TouchDialog::keyPressEvent(event); });
}
