#include "scan/scandialogs.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace scan {

ScanProgressDialog::ScanProgressDialog(QWidget* parent)
    : QDialog(parent), m_device(new QLabel(this)), m_progress(new QProgressBar(this)),
      m_cancel(new QPushButton(QStringLiteral("Storno"), this))
{
    setObjectName(QStringLiteral("scanProgressDialog"));
    setWindowTitle(QStringLiteral("Skenování"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_device->setObjectName(QStringLiteral("deviceLabel"));
    m_device->setText(QStringLiteral("Hledám skener…"));
    m_progress->setObjectName(QStringLiteral("progressBar"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_device);
    layout->addWidget(m_progress);
    layout->addWidget(m_cancel, 0, Qt::AlignRight);
    setMinimumWidth(320);
    connect(m_cancel, &QPushButton::clicked, this, &ScanProgressDialog::reject);
}

void ScanProgressDialog::setDevice(const QString& text)
{
    m_device->setText(QStringLiteral("Skener: %1").arg(text));
}

void ScanProgressDialog::setProgress(int percent)
{
    if (percent < 0) {
        m_progress->setRange(0, 0);
    } else {
        m_progress->setRange(0, 100);
        m_progress->setValue(std::min(percent, 100));
    }
}

void ScanProgressDialog::finish()
{
    QDialog::done(QDialog::Accepted);
}

void ScanProgressDialog::reject()
{
    if (!m_cancel->isEnabled())
        return;
    m_cancel->setEnabled(false);
    m_device->setText(m_device->text() + QStringLiteral(" — ruším…"));
    emit cancelRequested();
}

SourceDialog::SourceDialog(const QList<SourceEntry>& sources, const QString& current, QWidget* parent)
    : QDialog(parent), m_list(new QListWidget(this))
{
    setObjectName(QStringLiteral("sourceDialog"));
    setWindowTitle(QStringLiteral("Výběr skeneru"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_list->setObjectName(QStringLiteral("deviceList"));
    for (const SourceEntry& s : sources) {
        auto* item = new QListWidgetItem(
            s.description.isEmpty() ? s.name : QStringLiteral("%1 — %2").arg(s.name, s.description), m_list);
        item->setData(Qt::UserRole, s.name);
        if (s.name == current)
            m_list->setCurrentItem(item);
    }
    if (!m_list->currentItem() && m_list->count() > 0)
        m_list->setCurrentRow(0);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Vybrat"));
    buttons->button(QDialogButtonBox::Ok)->setEnabled(m_list->count() > 0);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Storno"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    auto* caption = new QLabel(sources.isEmpty() ? QStringLiteral("Nebyl nalezen žádný skener.")
                                                 : QStringLiteral("Skener pro skenování dokladů:"),
                               this);
    layout->addWidget(caption);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(420, 260);
}

QString SourceDialog::chosen() const
{
    const QListWidgetItem* item = m_list->currentItem();
    return item ? item->data(Qt::UserRole).toString() : QString();
}

} // namespace scan
