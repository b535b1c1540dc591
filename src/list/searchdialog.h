#pragma once

#include <QAbstractListModel>
#include <QDialog>

#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListView;

namespace db {
class Dataset;
}

namespace list {

// The values of one field of a dataset, one entry per row, narrowed by a typed text.
// The field's texts are folded once when the field is chosen; narrowing then only scans
// those folded texts (and, when the typed text grows, only the entries still shown), so
// it stays instant on a register of a hundred thousand rows and more.
class SearchValueModel final : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit SearchValueModel(const db::Dataset& dataset, QObject* parent = nullptr);

    // Folds the texts of this field (index in the dataset) and shows every row.
    void setField(int field);
    int field() const { return m_field; }
    // Keeps the entries containing text (or, with matchParts off, starting with it),
    // without regard to case.
    void narrow(const QString& text, bool matchParts);

    // Dataset row (list order) of an entry.
    int rowOf(int entry) const { return m_shown[entry]; }
    // The entry showing a dataset row, -1 when it is narrowed away.
    int entryOf(int row) const;
    // The text an entry shows.
    QString text(int entry) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    const db::Dataset& m_dataset;
    int m_field = -1;
    QString m_folded;           // folded texts of every row, back to back
    std::vector<int> m_offsets; // start of row r's text in m_folded; one more at the end
    std::vector<int> m_shown;   // dataset rows shown, in list order
    QString m_narrowedBy;       // folded text of the last narrowing
    bool m_narrowedByParts = true;
};

// The search dialog "Hledat" over a column of a dataset: the value list narrows while the
// text is typed, and the dataset's current row follows the highlighted entry. exec()
// returns Accepted with the dataset on the chosen row ("převzít", Enter, a double click),
// or Rejected with the dataset back on the row it stood on when the dialog opened
// ("storno", Esc, closing the window).
class SearchDialog : public QDialog
{
    Q_OBJECT
public:
    SearchDialog(db::Dataset& dataset, const QString& field, QWidget* parent);
    ~SearchDialog() override;

    // "zobrazit výběr": show the value list (on by default).
    void setShowList(bool show);
    // "hledat i části": match the typed text anywhere in a value, not only at its start
    // (on by default).
    void setMatchParts(bool matchParts);

    // Widgets, for tests and callers that want to preset the text.
    QComboBox* fieldBox() const { return m_fieldBox; }
    QLineEdit* textEdit() const { return m_text; }
    QListView* valueList() const { return m_list; }
    SearchValueModel* valueModel() const { return m_model; }

    void done(int result) override;

signals:
    // The dataset's current row moved to follow the highlighted entry (or back).
    void rowFollowed(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void chooseField(int comboIndex);
    void narrow();
    void entryHighlighted(const QModelIndex& index);
    bool keyFits(const QString& typed) const;

    db::Dataset& m_dataset;
    int m_startRow = -1;
    QComboBox* m_fieldBox = nullptr;
    QLineEdit* m_text = nullptr;
    QListView* m_list = nullptr;
    QCheckBox* m_showList = nullptr;
    QCheckBox* m_matchParts = nullptr;
    SearchValueModel* m_model = nullptr;
    std::vector<int> m_comboFields; // dataset field of each drop-down entry
};

} // namespace list
