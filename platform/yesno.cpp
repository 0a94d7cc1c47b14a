// SPDX-License-Identifier: GPL-3.0-or-later
#include "yesno.h"

#include <QMessageBox>
#include <QPushButton>

namespace platform {

QPushButton *addYesNo(QMessageBox &box)
{
    box.setIcon(QMessageBox::Question);
    QPushButton *yes = box.addButton(QStringLiteral("&Sì"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    return yes;
}

} // namespace platform
