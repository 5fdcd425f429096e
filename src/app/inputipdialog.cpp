#include "inputipdialog.h"

#include "app/addressvalidator.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

InputIpDialog::InputIpDialog(QWidget *parent)
    : QDialog(parent)
{
    setAttribute(Qt::WA_QuitOnClose, false);

    m_prompt = new QLabel(this);
    m_address = new QLineEdit(this);
    m_address->setValidator(new AddressValidator(m_address));
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_prompt);
    layout->addWidget(m_address);
    layout->addWidget(m_buttons);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_address, &QLineEdit::textChanged, this, &InputIpDialog::updateOkButton);
    updateOkButton();
}

void InputIpDialog::updateOkButton()
{
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(m_address->hasAcceptableInput());
}

QString InputIpDialog::getAddress(QWidget *parent, const QString &title, const QString &prompt)
{
    InputIpDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.m_prompt->setText(prompt);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.m_address->text();
}
