#pragma once

#include "db/dataset.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

// The document store of an invoice: the rows of `dokladya` keyed by `ico`, `por_cis` and `typ`,
// written through the scratch table `_doklad`, read back into files. No windows here; the
// document window calls these with its two queries on the shared connection.
namespace documents {

// The invoice whose documents are handled, as the list's current row gives it (values as text).
struct Invoice
{
    QString ico;
    QString porCis;
    QString cisFak;
};

// The columns of a stored document besides `ico`, `por_cis` and the content.
struct DocumentRow
{
    int typ = 0;
    QString popis;
    QString cislodokladu;
    // Loading from a file writes empty text; scanning leaves the column's default.
    std::optional<QString> objednavka;
};

// Presence flags of types 1 to 10 (index 0 unused); only types 1 to 3 ever become present.
using Presence = std::array<bool, 11>;
constexpr int kFirstType = 1;
constexpr int kLastType = 3;

// Which of the types 1 to 3 the invoice has; rows of other types are passed over.
Presence findPresent(db::Dataset& query, const Invoice& invoice);

// The whole content of a document file; a file that cannot be read raises app::FileError
// `Cannot open file "<name>". <reason>`.
QByteArray readDocumentFile(const QString& path);

// Creates (replaces) a file with the given content; failure raises app::FileError
// `Cannot create file "<name>". <reason>`.
void writeDocumentFile(const QString& path, const char* data, qsizetype size);

// Raises app::UserError with a text naming both sizes when a document of `size` bytes (with
// the statement around it) does not fit the server's max_allowed_packet.
void checkDocumentSize(db::Connection& connection, qint64 size);

// Stores the file as the invoice's document of row.typ, replacing earlier ones of that type.
// The row is written into `_doklad` (a temporary table of this connection, left holding the
// stored row), then the removal of the earlier documents and the copy into `dokladya` happen in
// one transaction. A file that cannot be read or a document too large for the server raises
// before anything in `dokladya` changes.
void storeDocument(db::Dataset& work, const Invoice& invoice, const DocumentRow& row, const QString& file);

// Writes the stored content of the invoice's document of typ into the file `stem` + the suffix
// of its content (see viewingSuffix), replacing it, straight from the query's result. Without
// such a document the file is written empty. Returns the file's name.
QString writeStoredDocument(db::Dataset& work, const Invoice& invoice, int typ, const QString& stem);

// Deletes every stored document of typ of the invoice.
void deleteDocuments(db::Dataset& work, const Invoice& invoice, int typ);

// The file name suffix under which a content opens in its viewer: ".jpg" for JPEG data,
// ".pdf" for everything else (PDF documents, and an empty content).
QString viewingSuffix(const char* data, qsizetype size);

} // namespace documents
