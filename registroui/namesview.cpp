// SPDX-License-Identifier: GPL-3.0-or-later
// Mending a child's name: a new spelling, or joining her to the child she
// already is under another.
#include "registerwindow.h"

#include "register.h"

#include <QAction>
#include <QInputDialog>
#include <QLineEdit>

#include <algorithm>

namespace registroui {

QString RegisterWindow::askNewName(const QString &now)
{
    bool ok = false;
    const QString name = QInputDialog::getText(this, QStringLiteral("Rinomina"),
                                               QStringLiteral("Il nome giusto di %1:").arg(now),
                                               QLineEdit::Normal, now, &ok);
    return ok ? name : QString();
}

QString RegisterWindow::askOtherChild(const QString &now, const QStringList &others)
{
    bool ok = false;
    const QString name =
        QInputDialog::getItem(this, QStringLiteral("Unisci"),
                              QStringLiteral("%1 è in realtà:").arg(now), others, 0, false, &ok);
    return ok ? name : QString();
}

bool RegisterWindow::renameChildTo(const QString &to)
{
    beginAction();
    const registro::Child *c = chosen();
    const QString name = to.trimmed();
    if (!c || !m_changeable || name.isEmpty() || name == c->name)
        return false;
    const bool merge = std::any_of(m_children.cbegin(), m_children.cend(), [&](const auto &o) {
        return &o != c && registro::childKey(o.name) == registro::childKey(name);
    });
    const QString shown = registro::shownName(c->name);
    const QString question =
        (merge ? QStringLiteral("Unire le gare di %1 a quelle di %2?")
               : QStringLiteral("Chiamare %1 con il nome %2?"))
            .arg(shown, name) +
        QStringLiteral(" Se scrive ancora \"%1\", la gara andrà a %2.").arg(shown, name);
    if (!confirm(question))
        return false;
    const QStringList unchanged = m_source->renameChild(c->name, name);
    showSource(std::move(m_source));
    choose(name);
    for (const QString &line : unchanged)
        showProblem(line);
    return unchanged.isEmpty();
}

void RegisterWindow::renameDialog(bool merge)
{
    const registro::Child *c = chosen();
    if (!c)
        return;
    const QString now = registro::shownName(c->name);
    QStringList others;
    for (const registro::Child &o : m_children)
        if (&o != c)
            others << o.name;
    const QString to =
        merge ? (others.isEmpty() ? QString() : askOther(now, others)) : askName(now);
    if (!to.isEmpty())
        renameChildTo(to);
}

} // namespace registroui
