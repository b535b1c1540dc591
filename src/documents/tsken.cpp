#include "documents/tsken.h"

#include "list/tform3.h"

Tsken::Tsken(Tform3* form3) : QDialog(form3), m_form3(form3)
{
    setObjectName(QStringLiteral("Tsken"));
    setWindowTitle(QStringLiteral("Ledrana - scanner"));
}
