#include "app/guard.h"

#include "app/messagedialog.h"
#include "db/error.h"

namespace app {

bool guard(QWidget* parent, const std::function<void()>& action)
{
    QString text;
    try {
        action();
        return true;
    } catch (const db::Error& e) {
        text = e.text();
    } catch (const FileError& e) {
        text = e.text();
    } catch (const std::exception& e) {
        text = QString::fromUtf8(e.what());
    } catch (...) {
        text = QStringLiteral("Neznámá chyba");
    }
    MessageDialog::error(parent, text);
    return false;
}

} // namespace app
