#include "pdf/imagepdf.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

namespace pdf {

namespace {

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

bool imageToA4Pdf(const QImage& image, const QString& pdfPath, QString* error)
{
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return fail(error, QStringLiteral("Obrázek pro PDF je prázdný."));

    const QFileInfo info(pdfPath);
    QTemporaryFile out(info.absolutePath() + QLatin1Char('/') + info.fileName() + QStringLiteral(".XXXXXX"));
    if (!out.open())
        return fail(error, QStringLiteral("Nelze vytvořit dočasný soubor vedle %1: %2")
                               .arg(QDir::toNativeSeparators(pdfPath), out.errorString()));
    {
        QPdfWriter writer(&out);
        writer.setCreator(QStringLiteral("wVariant"));
        writer.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Point));
        QPainter painter;
        if (!painter.begin(&writer))
            return fail(error, QStringLiteral("PDF %1 nelze začít psát.").arg(QDir::toNativeSeparators(pdfPath)));
        // With no margins the paint area is the whole sheet; the picture keeps its proportions
        // and touches the sheet on two opposite sides.
        const QSizeF sheet(writer.width(), writer.height());
        const QSizeF fitted = QSizeF(image.size()).scaled(sheet, Qt::KeepAspectRatio);
        const QRectF place((sheet.width() - fitted.width()) / 2, (sheet.height() - fitted.height()) / 2, fitted.width(),
                           fitted.height());
        painter.drawImage(place, image);
        if (!painter.end())
            return fail(error, QStringLiteral("PDF %1 nelze dopsat.").arg(QDir::toNativeSeparators(pdfPath)));
    }
    if (!out.flush() || out.error() != QFileDevice::NoError)
        return fail(
            error, QStringLiteral("PDF %1 nelze zapsat: %2").arg(QDir::toNativeSeparators(pdfPath), out.errorString()));
    out.close();
    QFile::setPermissions(out.fileName(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);

    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(out.fileName().toStdU16String()),
                            std::filesystem::path(pdfPath.toStdU16String()), ec);
    if (ec)
        return fail(error, QStringLiteral("PDF nelze uložit jako %1: %2")
                               .arg(QDir::toNativeSeparators(pdfPath), QString::fromLocal8Bit(ec.message())));
    out.setAutoRemove(false);
    return true;
}

} // namespace pdf
