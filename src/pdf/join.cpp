#include "pdf/join.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>
#include <filesystem>
#include <memory>
#include <system_error>

namespace pdf {

namespace {

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// qpdf takes file names as UTF-8 on Windows and as local 8-bit bytes elsewhere.
QByteArray qpdfName(const QString& path)
{
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(path).toUtf8();
#else
    return QFile::encodeName(path);
#endif
}

std::filesystem::path fsPath(const QString& path)
{
    return std::filesystem::path(path.toStdU16String());
}

// Opens a PDF; throws what qpdf throws when the file is not a readable PDF.
std::unique_ptr<QPDF> openPdf(const QString& path)
{
    auto doc = std::make_unique<QPDF>();
    doc->setSuppressWarnings(true);
    doc->processFile(qpdfName(path).constData());
    return doc;
}

QString pageFileProblem(const QString& pageFile)
{
    if (!QFileInfo(pageFile).isFile())
        return QStringLiteral("Soubor strany %1 neexistuje.").arg(QDir::toNativeSeparators(pageFile));
    return {};
}

} // namespace

bool appendPages(const QString& target, const QString& pageFile, QString* error)
{
    if (QString problem = pageFileProblem(pageFile); !problem.isEmpty())
        return fail(error, problem);
    const QFileInfo targetInfo(target);
    if (targetInfo.exists() && targetInfo.canonicalFilePath() == QFileInfo(pageFile).canonicalFilePath())
        return fail(error, QStringLiteral("Dokument nelze připojit sám k sobě."));

    if (!targetInfo.exists()) {
        // First page: the page file becomes the document, once it is known to be a PDF with pages.
        try {
            auto page = openPdf(pageFile);
            if (QPDFPageDocumentHelper(*page).getAllPages().empty())
                return fail(error, QStringLiteral("Soubor strany %1 neobsahuje žádnou stranu.")
                                       .arg(QDir::toNativeSeparators(pageFile)));
        } catch (const std::exception& e) {
            return fail(error, QStringLiteral("Soubor strany %1 není čitelné PDF: %2")
                                   .arg(QDir::toNativeSeparators(pageFile), QString::fromLocal8Bit(e.what())));
        }
        QFile file(pageFile);
        if (!file.rename(target))
            return fail(error, QStringLiteral("Soubor strany nelze přesunout do %1: %2")
                                   .arg(QDir::toNativeSeparators(target), file.errorString()));
        return true;
    }

    QTemporaryFile joined(targetInfo.absolutePath() + QLatin1Char('/') + targetInfo.fileName() +
                          QStringLiteral(".XXXXXX"));
    if (!joined.open())
        return fail(error, QStringLiteral("Nelze vytvořit dočasný soubor vedle %1: %2")
                               .arg(QDir::toNativeSeparators(target), joined.errorString()));
    joined.close();

    // The two documents are closed again before the rename: an open file cannot be replaced on
    // every platform.
    try {
        auto doc = openPdf(target);
        auto page = openPdf(pageFile);
        QPDFPageDocumentHelper docPages(*doc);
        const auto newPages = QPDFPageDocumentHelper(*page).getAllPages();
        if (newPages.empty())
            return fail(
                error,
                QStringLiteral("Soubor strany %1 neobsahuje žádnou stranu.").arg(QDir::toNativeSeparators(pageFile)));
        // Pages of another document are copied in by addPage; the source must live until write().
        for (const auto& p : newPages)
            docPages.addPage(p, false);
        QPDFWriter writer(*doc, qpdfName(joined.fileName()).constData());
        writer.write();
    } catch (const std::exception& e) {
        return fail(error, QStringLiteral("Strany nelze spojit do %1: %2")
                               .arg(QDir::toNativeSeparators(target), QString::fromLocal8Bit(e.what())));
    }

    QFile::setPermissions(joined.fileName(), QFile::permissions(target));
    std::error_code ec;
    std::filesystem::rename(fsPath(joined.fileName()), fsPath(target), ec);
    if (ec)
        return fail(error, QStringLiteral("Spojený dokument nelze přejmenovat na %1: %2")
                               .arg(QDir::toNativeSeparators(target), QString::fromLocal8Bit(ec.message())));
    joined.setAutoRemove(false);
    QFile::remove(pageFile);
    return true;
}

} // namespace pdf
