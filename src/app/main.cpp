// Ledrana: the register of received and issued invoices.
#include "app/skin.h"
#include "documents/tsken.h"
#include "list/tform3.h"
#include "update/ip_misc.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ledrana"));
    QApplication::setOrganizationName(QStringLiteral("Ledrana"));
    app::registerFonts();
    update::startNetwork();
    Tform3 form3;
    form3.show();
    Tsken sken(&form3);
    const int result = application.exec();
    update::stopNetwork();
    return result;
}
