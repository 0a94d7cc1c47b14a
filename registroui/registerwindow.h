// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "classmodel.h"
#include "classsource.h"

#include <QDate>
#include <QDesktopServices>
#include <QMainWindow>
#include <QUrl>

#include <functional>
#include <memory>

class QChartView;
class QCheckBox;
class QComboBox;
class QSpinBox;
class QLabel;
class QPrinter;
class QStackedWidget;
class QTableWidget;

namespace registroui {

// A Sì/No question whose default and Escape answer are No: a stray Enter
// never deletes anything.
bool askYesNo(QWidget *parent, const QString &title, const QString &text);
// A label for what children typed and other text never read as markup.
QLabel *plainLabel(const QString &text = {});

// The teacher's window on the class register: the class, one row per child;
// the chosen child's races as a chart and a list, and the nine facts as a
// 3 x 3 grid. Every problem stays in one notice line until the next action.
class RegisterWindow : public QMainWindow {
    Q_OBJECT
public:
    // What the dialog's "Prova" says of a connection string: whether the
    // server answers this user, how many classes it holds, whether its
    // certificate is checked.
    static QString tryServer(const QString &conninfo);
    // When the window appears: once made (for a report, say), or at once,
    // before the class is read, saying that it is being read.
    enum class Showing { Later, AtOnce };
    // home: the register of this account, which the window can turn on.
    explicit RegisterWindow(QString home, QWidget *parent = nullptr,
                            Showing showing = Showing::Later);
    ~RegisterWindow() override;

    // Shows these registers, merged; deletes change every one of them that can be written.
    void showRegisters(const QStringList &paths);
    // Shows the school's register on its server (a teacher's connection
    // string): its classes, one at a time. When the server cannot be read the
    // notice says why and the registers of this account stay shown.
    bool showServer(const QString &conninfo);
    // Chooses one of the server's classes.
    bool showClass(const QString &className);
    bool onServer() const { return !m_server.isEmpty(); }

    // Asks before anything is deleted; tests answer it without a box.
    std::function<bool(const QString &question)> confirm;
    // Ask for a child's right name, or which child she really is; tests
    // answer without a dialog. Empty: the teacher cancelled.
    std::function<QString(const QString &now)> askName = [this](const QString &now) {
        return askNewName(now);
    };
    std::function<QString(const QString &now, const QStringList &others)> askOther =
        [this](const QString &now, const QStringList &others) {
            return askOtherChild(now, others);
        };
    // Puts the chosen child under this name (another child's: a merge), once
    // confirmed; false when nothing changed, the reason shown.
    bool renameChildTo(const QString &to);
    // Shows a folder in the desktop's file manager; tests see where.
    std::function<void(const QString &folder)> openFolder = [](const QString &folder) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    };
    // What the last action did, when it wrote a file: hidden until then.
    QLabel *doneLine() const { return m_done; }

    // Deletes the chosen child's races and answers, once confirmed.
    void deleteChild();
    // Deletes this account's register, after two confirmations.
    void deleteAll();
    // Writes the CSV of what the window shows: the whole class or the chosen
    // child, all days or from..to (both included); false with the reason shown.
    bool exportTo(const QString &csv, bool chosenOnly, QDate from = {}, QDate to = {});
    // The class at a glance, or the chosen child's page for her family.
    void printTo(QPrinter &printer, bool chosenChild);
    // Chooses a child by name, as the class table shows it; an empty name, none.
    bool choose(const QString &name);

    QTableWidget *classTable() const { return m_table; }
    QTableWidget *racesTable() const { return m_races; }
    QSpinBox *lengthBox() const { return m_length; }
    QChartView *chartView() const { return m_chart; }
    QCheckBox *practiceBox() const { return m_practice; }
    QCheckBox *voiceBox() const { return m_voice; }
    QCheckBox *contrastBox() const { return m_contrast; }
    QLabel *notice() const { return m_notice; }
    QLabel *fact(int number) const { return m_facts[number - 1]; }
    QAction *deleteChildAction() const { return m_deleteChild; }
    QAction *deleteAllAction() const { return m_deleteAll; }
    QComboBox *classBox() const { return m_classBox; }

private:
    // registerwindow.cpp: the pages and what they show.
    QWidget *buildWelcome();
    QWidget *buildClass();
    void showChild(int row);
    // Her races, newest first, under the class; none when c is null.
    void showRaces(const registro::Child *c);
    // Fills the class table from m_children; readable false hides it.
    void showChildren(bool readable);
    // Reads the class from where it is now to be read, and shows it.
    bool showSource(std::unique_ptr<ClassSource> source);
    ClassLoad loadOffThread(const ClassSource &source);
    void leaveServer();
    void showChart(const registro::Child &c);
    void showNotice();
    QWidget *buildClassRow();
    QWidget *buildChild();
    QWidget *buildSettings();
    void storeSettings();
    QString nameCell(const registro::Child &c) const;

    // registeractions.cpp: the menus and what they do.
    void buildMenus();
    void refreshMenus();
    void turnOn();
    void toggleRecording();
    void openOther(bool merge);
    void exportDialog();
    void printDialog(bool chosenChild);
    void schoolDialog();
    void showLocal();
    QStringList homeRegisters() const;
    // A new action begins: the problems of the last one are done with.
    void beginAction();
    // namesview.cpp: the two dialogs behind Rinomina and Unisci.
    void renameDialog(bool merge);
    QString askNewName(const QString &now);
    QString askOtherChild(const QString &now, const QStringList &others);
    // exportview.cpp: says what was written, with a link to open folder.
    void showDone(const QString &text, const QString &folder);
    void showProblem(const QString &text);
    const registro::Child *chosen() const;

    QString m_home;
    QString m_server;    // the teacher's connection string, when on the server
    QString m_className; // the class shown, on the server
    QComboBox *m_classBox = nullptr;
    QWidget *m_classRow = nullptr;
    std::unique_ptr<ClassSource> m_source; // where the class shown comes from
    bool m_changeable = false;
    QString m_unchangeable;
    QString m_unsettable; // why a child's race cannot be set in this view
    QStringList m_paths;
    QList<registro::Child> m_children;
    QStringList m_writable;     // the shown registers that can be changed
    bool m_recordingOn = false; // read once a view, not at every click
    QStringList m_loadProblems;
    QStringList m_soundProblems;
    QStringList m_actionProblems;
    QStackedWidget *m_pages = nullptr;
    QWidget *m_classView = nullptr;
    QTableWidget *m_table = nullptr;
    QLabel *m_notice = nullptr;
    QLabel *m_done = nullptr; // made by the first export
    QString m_doneFolder;
    QLabel *m_loading = nullptr; // shown while a class is being read
    QLabel *m_childName = nullptr;
    QChartView *m_chart = nullptr;
    QTableWidget *m_races = nullptr;
    QLabel *m_facts[9] = {};
    QSpinBox *m_length = nullptr;
    QCheckBox *m_practice = nullptr;
    QCheckBox *m_voice = nullptr;
    QCheckBox *m_contrast = nullptr;
    QAction *m_recording = nullptr;
    QAction *m_deleteChild = nullptr;
    QAction *m_deleteAll = nullptr;
    QAction *m_export = nullptr;
    QAction *m_print = nullptr;
    QAction *m_printChild = nullptr;
    QAction *m_rename = nullptr;
    QAction *m_merge = nullptr;
    QAction *m_local = nullptr;
};

} // namespace registroui
