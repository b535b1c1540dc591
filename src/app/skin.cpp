#include "app/skin.h"

#include <QFile>
#include <QFontDatabase>

namespace app {

QString skinStyleSheet()
{
    return QStringLiteral(R"(
QMainWindow, QDialog, QWidget#form { background: #F9F8F9; }
QWidget { font-family: Tahoma; font-size: 11px; color: #40341A; }
QFrame#Panel2, QFrame#Panel5, QFrame#ScrollBox { background: #F3EFE6; }
QFrame#bottomStrip { background: #FFFFFF; }
QLabel#entryLabel { font-weight: bold; }
QLabel { padding-top: 3px; } /* room for the háček of Č, Ř, Š, Ž above a label sized to its text */
QPushButton {
    color: #F9F8F9; font-family: Tahoma; font-size: 11px;
    border: 1px solid #40341A; border-radius: 3px;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #8C7A55, stop:1 #5C4C29);
}
QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #A08C63, stop:1 #6C5A33); }
QPushButton:focus { border: 1px solid #FFD700; }
QPushButton:disabled { color: #B5B5B5; background: #D8D0C0; border-color: #B5B5B5; }
QLineEdit, QComboBox { background: #FFFFFF; border: 1px solid #B5B5B5; color: #000000; }
QLineEdit:disabled { background: #EDEDED; color: #5C4C29; }
QTableView#RxDBGrid1 {
    background: #EDEDED; gridline-color: #B5B5B5; border: 1px solid #B5B5B5;
    font-family: Tahoma; font-size: 11px; color: #5C4C29;
    selection-background-color: #316AC5; selection-color: #FFFFFF;
}
QHeaderView::section { background: #E5D9C2; color: #40341A; border: 1px solid #B5B5B5; padding: 1px 2px; }
QLabel#LMDPanelFill1 {
    font-family: Tahoma; font-weight: bold; font-size: 19px; color: #000000;
    background: #F9F8F9; border: 1px solid #5C4C29;
}
QToolTip { color: #000000; background: #FFFFE1; border: 1px solid #000000; }
)");
}

void registerFonts()
{
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma")))
        return;
    for (const char* path : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
        if (QFile::exists(QString::fromLatin1(path)))
            QFontDatabase::addApplicationFont(QString::fromLatin1(path));
}

} // namespace app
