// The main window's doors to the document window.
#include "app/guard.h"
#include "app/messagedialog.h"
#include "base/formats.h"
#include "documents/tsken.h"
#include "list/tform3.h"

#include <QPushButton>

void Tform3::connectDocuments()
{
    connect(ColorButton10, &QPushButton::clicked, this, [this] { app::guard(this, [&] { ColorButton10Click(); }); });
    connect(ColorButton12, &QPushButton::clicked, this, [this] { app::guard(this, [&] { ColorButton12Click(); }); });
}

// Doklady k FA: the documents of the current invoice, which must be saved and have an amount.
void Tform3::ColorButton10Click()
{
    if (ZQuery1.state() == db::Dataset::State::Edit) {
        app::MessageDialog::info(this, QStringLiteral("POZOR - neuložené změny záznamu!"));
        return;
    }
    const bool hasRow = ZQuery1.isOpen() && !ZQuery1.isEmpty() && ZQuery1.recNo() >= 0;
    const double castka = hasRow ? ZQuery1.asFloat(QStringLiteral("castka")) : 0.0;
    if (base::roundHalfEven(castka) == 0) {
        app::MessageDialog::info(this, QStringLiteral("POZOR - nulová částka v záznamu!"));
        return;
    }
    if (sken)
        sken->exec();
}

// Ukaž doklad: the documents of the current invoice, for viewing above all.
void Tform3::ColorButton12Click()
{
    if (ZQuery1.state() == db::Dataset::State::Edit) {
        app::MessageDialog::info(this, QStringLiteral("POZOR - neuložené změny záznamu!"));
        return;
    }
    // An empty list has no invoice whose documents could be shown.
    if (sken && ZQuery1.isOpen() && !ZQuery1.isEmpty())
        sken->exec();
}
