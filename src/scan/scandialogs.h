#pragma once

#include <QDialog>
#include <QList>
#include <QString>

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace scan {

// Shown while a page is acquired: the device, the progress and a cancel button. Closing it by
// Esc or by the title bar asks for a cancel like the button does; the dialog itself closes only
// through finish(), once the acquisition is over.
class ScanProgressDialog final : public QDialog
{
    Q_OBJECT
public:
    explicit ScanProgressDialog(QWidget* parent = nullptr);

    void setDevice(const QString& text);
    // Percent done; a negative value when the size of the page is not known in advance.
    void setProgress(int percent);
    void finish();
    void reject() override;

signals:
    void cancelRequested();

private:
    QLabel* m_device;
    QProgressBar* m_progress;
    QPushButton* m_cancel;
};

struct SourceEntry
{
    QString name;        // the device name acquisitions open
    QString description; // vendor and model, as the device reports them
};

// Lists the available sources with the current default source preselected.
class SourceDialog final : public QDialog
{
    Q_OBJECT
public:
    SourceDialog(const QList<SourceEntry>& sources, const QString& current, QWidget* parent = nullptr);

    // The device name of the entry chosen; empty when there is none.
    QString chosen() const;

private:
    QListWidget* m_list;
};

} // namespace scan
