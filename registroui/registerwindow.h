// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "classdata.h"

#include <QMainWindow>

#include <functional>

class QChartView;
class QLabel;
class QStackedWidget;
class QTableWidget;

namespace registroui {

// The teacher's window on the class register: the class, one row per child;
// the chosen child's races as a chart and the nine facts as a 3 x 3 grid.
class RegisterWindow : public QMainWindow {
    Q_OBJECT
public:
    // home: the register of this account, which the window can turn on.
    explicit RegisterWindow(QString home, QWidget *parent = nullptr);

    // Shows these registers, merged; the first is the one the menus change.
    void showRegisters(const QStringList &paths);

    // Asks before anything is deleted; tests answer it without a box.
    std::function<bool(const QString &question)> confirm;

    // Deletes the chosen child's races and answers, once confirmed.
    void deleteChild();

    QTableWidget *classTable() const { return m_table; }
    QLabel *notice() const { return m_notice; }
    QLabel *fact(int number) const { return m_facts[number - 1]; }
    QTableWidget *racesTable() const { return m_races; }

private:
    void buildMenus();
    QWidget *buildWelcome();
    QWidget *buildClass();
    void turnOn();
    void showChild(int row);
    void deleteAll();
    void toggleRecording();
    void openOther(bool merge);
    void refreshMenus();
    // Adds a problem to the notice line, where it stays until the next view.
    void showProblem(const QString &text);

    QString m_home;
    QStringList m_paths;
    QList<registro::Child> m_children;
    bool m_writable = false;
    QStackedWidget *m_pages = nullptr;
    QTableWidget *m_table = nullptr;
    QLabel *m_notice = nullptr;
    QLabel *m_childName = nullptr;
    QChartView *m_chart = nullptr;
    QTableWidget *m_races = nullptr;
    QLabel *m_facts[9] = {};
    QAction *m_recording = nullptr;
    QAction *m_deleteChild = nullptr;
    QAction *m_deleteAll = nullptr;
};

} // namespace registroui
