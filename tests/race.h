// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "answerbox.h"
#include "captionlabel.h"
#include "fakeservices.h"
#include "picturebutton.h"
#include "program.h"
#include "tavola.h"
#include "tavolawindow.h"
#include "testhelpers.h"

#include <QTemporaryDir>
#include <QTest>

// One run of the program on the fake services, with its record folder in a
// temporary directory.
struct Race {
    QTemporaryDir tmp;
    FakeServices fake;
    std::unique_ptr<drill::Program> program;

    explicit Race(const QString &name = QStringLiteral("Anna"))
    {
        fake.data = tmp.path() + QStringLiteral("/dati");
        fake.program = tmp.path() + QStringLiteral("/prog");
        fake.inputAnswers << name;
    }

    // Starts the program and waits for the first question.
    bool start()
    {
        program = std::make_unique<drill::Program>(fake);
        program->start();
        return tavola().ended() || waitForQuestion();
    }

    bool waitForQuestion()
    {
        return QTest::qWaitFor([this] { return !caption("lblNum1").isEmpty(); }, 3000);
    }

    drill::Tavola &tavola() const { return *program->current(); }
    ui::TavolaWindow &window() const { return tavola().window(); }
    const drill::FormState &state() const { return tavola().state(); }
    QString caption(const char *label) const { return window().label(label)->caption(); }
    QLineEdit *answerBox() const { return window().txtAnswer(); }

    QString recordPath(const char *file) const { return fake.data + u'/' + QLatin1String(file); }
    void putRecordFile(const char *file, const QByteArray &bytes) const
    {
        QVERIFY(putFile(recordPath(file), bytes));
    }
    QByteArray recordFile(const char *file) const { return fileBytes(recordPath(file)); }

    // Delivers n ticks of the clock; 300 bring it to 00:00:00, the 301st ends the race.
    void runClock(int n)
    {
        for (int tick = 0; tick < n; ++tick)
            QVERIFY(fake.tick());
    }

    // Types text into the answer box and presses Enter.
    void answer(const QString &text) const
    {
        QTest::keyClicks(answerBox(), text);
        QTest::keyClick(answerBox(), Qt::Key_Return);
    }
    // Enter on cmdNext, which has the focus after an answer.
    void next() const { QTest::keyClick(window().cmdNext(), Qt::Key_Return); }
};
