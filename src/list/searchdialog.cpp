#include "list/searchdialog.h"

#include "app/guard.h"
#include "base/formats.h"
#include "db/dataset.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QVBoxLayout>

namespace list {

// ---------------------------------------------------------------- value model

SearchValueModel::SearchValueModel(const db::Dataset& dataset, QObject* parent)
    : QAbstractListModel(parent), m_dataset(dataset)
{}

void SearchValueModel::setField(int field)
{
    beginResetModel();
    m_field = field;
    m_folded.clear();
    m_offsets.clear();
    m_shown.clear();
    m_narrowedBy.clear();
    const int rows = m_dataset.isOpen() && field >= 0 ? m_dataset.recordCount() : 0;
    m_offsets.reserve(std::size_t(rows) + 1);
    m_shown.reserve(std::size_t(rows));
    for (int r = 0; r < rows; ++r) {
        m_offsets.push_back(int(m_folded.size()));
        m_folded += m_dataset.textAt(r, field);
        m_shown.push_back(r);
    }
    m_offsets.push_back(int(m_folded.size()));
    // Simple case folding keeps the length of the text, so the offsets stay valid; fold
    // row by row in the rare case it does not.
    QString folded = m_folded.toCaseFolded();
    if (folded.size() == m_folded.size()) {
        m_folded = std::move(folded);
    } else {
        QString byRow;
        std::vector<int> offsets;
        offsets.reserve(m_offsets.size());
        for (int r = 0; r < rows; ++r) {
            offsets.push_back(int(byRow.size()));
            byRow +=
                QStringView(m_folded).sliced(m_offsets[r], m_offsets[r + 1] - m_offsets[r]).toString().toCaseFolded();
        }
        offsets.push_back(int(byRow.size()));
        m_folded = std::move(byRow);
        m_offsets = std::move(offsets);
    }
    endResetModel();
}

void SearchValueModel::narrow(const QString& text, bool matchParts)
{
    const QString needle = text.toCaseFolded();
    const bool refine = matchParts == m_narrowedByParts && needle.startsWith(m_narrowedBy);
    std::vector<int> kept;
    auto matches = [&](int r) {
        const QStringView value = QStringView(m_folded).sliced(m_offsets[r], m_offsets[r + 1] - m_offsets[r]);
        return matchParts ? value.contains(needle) : value.startsWith(needle);
    };
    if (needle.isEmpty()) {
        kept.resize(m_offsets.empty() ? 0 : m_offsets.size() - 1);
        for (std::size_t r = 0; r < kept.size(); ++r)
            kept[r] = int(r);
    } else if (refine) {
        // A longer text keeps a subset of what the shorter one kept.
        kept.reserve(m_shown.size());
        for (int r : m_shown)
            if (matches(r))
                kept.push_back(r);
    } else {
        const int rows = m_offsets.empty() ? 0 : int(m_offsets.size()) - 1;
        for (int r = 0; r < rows; ++r)
            if (matches(r))
                kept.push_back(r);
    }
    beginResetModel();
    m_shown = std::move(kept);
    m_narrowedBy = needle;
    m_narrowedByParts = matchParts;
    endResetModel();
}

int SearchValueModel::entryOf(int row) const
{
    const auto it = std::lower_bound(m_shown.begin(), m_shown.end(), row);
    return it != m_shown.end() && *it == row ? int(it - m_shown.begin()) : -1;
}

QString SearchValueModel::text(int entry) const
{
    if (entry < 0 || entry >= int(m_shown.size()) || !m_dataset.isOpen() || m_field < 0)
        return {};
    return m_dataset.textAt(m_shown[entry], m_field);
}

int SearchValueModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_shown.size());
}

QVariant SearchValueModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return text(index.row());
}

// ---------------------------------------------------------------- dialog

SearchDialog::SearchDialog(db::Dataset& dataset, const QString& field, QWidget* parent)
    : QDialog(parent), m_dataset(dataset)
{
    setObjectName(QStringLiteral("Hledat"));
    setWindowTitle(QStringLiteral("Hledat"));
    setModal(true);
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    m_startRow = dataset.isOpen() ? dataset.recNo() : -1;

    m_fieldBox = new QComboBox(this);
    m_fieldBox->setObjectName(QStringLiteral("Prohledavat"));
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("CoHledat"));
    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("hodnoty"));
    m_list->setUniformItemSizes(true);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_model = new SearchValueModel(dataset, this);
    m_list->setModel(m_model);
    auto* take = new QPushButton(QStringLiteral("převzít"), this);
    take->setObjectName(QStringLiteral("prevzit"));
    take->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("storno"), this);
    cancel->setObjectName(QStringLiteral("storno"));
    cancel->setAutoDefault(false);
    m_showList = new QCheckBox(QStringLiteral("zobrazit výběr"), this);
    m_showList->setObjectName(QStringLiteral("zobrazitVyber"));
    m_showList->setChecked(true);
    m_matchParts = new QCheckBox(QStringLiteral("hledat i části"), this);
    m_matchParts->setObjectName(QStringLiteral("hledatCasti"));
    m_matchParts->setChecked(true);
    m_matchParts->hide();

    auto* form = new QGridLayout;
    auto* fieldLabel = new QLabel(QStringLiteral("Prohledávat"), this);
    fieldLabel->setBuddy(m_fieldBox);
    auto* textLabel = new QLabel(QStringLiteral("Co hledat"), this);
    textLabel->setBuddy(m_text);
    form->addWidget(fieldLabel, 0, 0);
    form->addWidget(m_fieldBox, 0, 1);
    form->addWidget(textLabel, 1, 0);
    form->addWidget(m_text, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_showList);
    buttons->addWidget(m_matchParts);
    buttons->addStretch();
    buttons->addWidget(take);
    buttons->addWidget(cancel);
    auto* v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addWidget(m_list, 1);
    v->addLayout(buttons);
    resize(360, 420);

    // Every field a value list can show: all but raw bytes.
    int preset = 0;
    if (dataset.isOpen()) {
        const int wanted = dataset.fieldIndex(field);
        for (int f = 0; f < dataset.fieldCount(); ++f) {
            if (dataset.field(f).kind == db::FieldKind::Bytes)
                continue;
            if (f == wanted)
                preset = int(m_comboFields.size());
            m_comboFields.push_back(f);
            m_fieldBox->addItem(dataset.field(f).name);
        }
    }
    if (!m_comboFields.empty()) {
        m_fieldBox->setCurrentIndex(preset);
        chooseField(preset);
    }

    connect(m_fieldBox, &QComboBox::currentIndexChanged, this, [this](int i) { chooseField(i); });
    connect(m_text, &QLineEdit::textChanged, this, [this] { narrow(); });
    connect(m_matchParts, &QCheckBox::toggled, this, [this] { narrow(); });
    connect(m_showList, &QCheckBox::toggled, m_list, &QWidget::setVisible);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& i) { entryHighlighted(i); });
    connect(m_list, &QListView::doubleClicked, this, [this](const QModelIndex& i) {
        if (i.isValid())
            accept();
    });
    connect(take, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_text->installEventFilter(this);
    m_text->setFocus();
}

SearchDialog::~SearchDialog() = default;

void SearchDialog::setShowList(bool show)
{
    m_showList->setChecked(show);
    m_list->setVisible(show);
}

void SearchDialog::setMatchParts(bool matchParts)
{
    m_matchParts->setChecked(matchParts);
}

void SearchDialog::chooseField(int comboIndex)
{
    if (comboIndex < 0 || comboIndex >= int(m_comboFields.size()))
        return;
    m_model->setField(m_comboFields[comboIndex]);
    if (m_text->text().isEmpty()) {
        // Nothing typed yet: the list shows every value with the current row highlighted.
        const int entry = m_model->entryOf(m_dataset.isOpen() ? m_dataset.recNo() : -1);
        if (entry >= 0)
            m_list->setCurrentIndex(m_model->index(entry));
    } else {
        narrow();
    }
}

void SearchDialog::narrow()
{
    m_model->narrow(m_text->text(), m_matchParts->isChecked());
    if (m_model->rowCount() > 0)
        m_list->setCurrentIndex(m_model->index(0));
}

void SearchDialog::entryHighlighted(const QModelIndex& index)
{
    if (!index.isValid() || !m_dataset.isOpen())
        return;
    const int row = m_model->rowOf(index.row());
    if (row == m_dataset.recNo())
        return;
    if (app::guard(this, [&] { m_dataset.moveTo(row); }))
        emit rowFollowed(row);
}

bool SearchDialog::keyFits(const QString& typed) const
{
    const int c = m_fieldBox->currentIndex();
    if (c < 0 || c >= int(m_comboFields.size()))
        return true;
    const db::FieldKind kind = m_dataset.field(m_comboFields[c]).kind;
    for (const QChar ch : typed) {
        if (ch.isDigit())
            continue;
        switch (kind) {
        case db::FieldKind::Integer:
            if (ch == QLatin1Char('-') || ch == QLatin1Char('+'))
                continue;
            return false;
        case db::FieldKind::Float:
            if (QStringLiteral("-+.,").contains(ch) || ch == base::decimalSeparator())
                continue;
            return false;
        case db::FieldKind::Date:
        case db::FieldKind::DateTime:
            if (QStringLiteral(".-/: ").contains(ch))
                continue;
            return false;
        default:
            continue;
        }
    }
    return true;
}

bool SearchDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_text && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            // Walk the value list without leaving the text.
            QApplication::sendEvent(m_list, event);
            return true;
        default:
            break;
        }
        const QString typed = key->text();
        if (!typed.isEmpty() && typed.at(0).isPrint() && !(key->modifiers() & Qt::ControlModifier) && !keyFits(typed)) {
            QApplication::beep();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void SearchDialog::done(int result)
{
    if (m_dataset.isOpen()) {
        if (result == QDialog::Accepted) {
            const QModelIndex i = m_list->currentIndex();
            if (i.isValid())
                app::guard(this, [&] { m_dataset.moveTo(m_model->rowOf(i.row())); });
        } else if (m_startRow >= 0) {
            app::guard(this, [&] { m_dataset.moveTo(m_startRow); });
        }
        emit rowFollowed(m_dataset.recNo());
    }
    QDialog::done(result);
}

} // namespace list
