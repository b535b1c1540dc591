#pragma once

#include <QDialog>

class Tform3;

// The document window of one invoice.
class Tsken : public QDialog
{
    Q_OBJECT
public:
    explicit Tsken(Tform3* form3);

private:
    Tform3* m_form3;
};
