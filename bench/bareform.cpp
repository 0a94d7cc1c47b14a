// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick of bench_startup: a bare Qt window with a small form, the
// least any Qt program can show first.
#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    auto *form = new QFormLayout(&window);
    form->addRow(QStringLiteral("Come ti chiami?"), new QLineEdit);
    form->addRow(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel));
    window.show();
    return QApplication::exec();
}
