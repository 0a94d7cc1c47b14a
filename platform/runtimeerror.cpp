// SPDX-License-Identifier: GPL-3.0-or-later
#include "runtimeerror.h"

namespace platform {

RunTimeError::RunTimeError(int number, const QString &description, const QString &detail)
    : std::runtime_error(description.toStdString()), m_number(number), m_description(description),
      m_detail(detail)
{
}

QString RunTimeError::report() const
{
    QString text =
        QStringLiteral("Errore di run-time '%1':\n\n%2").arg(m_number).arg(m_description);
    if (!m_detail.isEmpty())
        text += QLatin1Char('\n') + m_detail;
    return text;
}

void raiseOverflow()
{
    throw RunTimeError(errors::Overflow, QStringLiteral("Overflow"));
}

void raiseTypeMismatch(QStringView text)
{
    throw RunTimeError(errors::TypeMismatch, QStringLiteral("Tipo non corrispondente"),
                       QStringLiteral("\"%1\" non è un numero").arg(text));
}

void raiseFileAccess(const QString &path, const QString &reason)
{
    throw RunTimeError(errors::PathFileAccess, QStringLiteral("Errore di accesso al percorso/file"),
                       QStringLiteral("%1: %2").arg(path, reason));
}

void raiseNoSuchControl(const char *name)
{
    throw RunTimeError(errors::Internal, QStringLiteral("Controllo inesistente"),
                       QString::fromLatin1(name));
}

} // namespace platform
