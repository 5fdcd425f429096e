#pragma once

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QLineEdit;

// Asks for one IPv4 address. OK is enabled only while the field holds a
// complete address.
class InputIpDialog : public QDialog
{
    Q_OBJECT

public:
    explicit InputIpDialog(QWidget *parent = nullptr);

    // The address as typed, or an empty text when the dialog was cancelled
    // or closed.
    static QString getAddress(QWidget *parent, const QString &title, const QString &prompt);

private:
    void updateOkButton();

    QLabel *m_prompt = nullptr;
    QLineEdit *m_address = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
};
