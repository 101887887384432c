// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/DesktopExec.h"

#include "gallery/DesktopEntry.h"

namespace {

bool IsBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; }

// Within double quotes a backslash escapes only these; elsewhere it is itself.
bool IsQuotedEscape(QChar c) { return c == u'"' || c == u'`' || c == u'$' || c == u'\\'; }

} // namespace

QStringList ExecArguments(const TDesktopEntry& entry, const QString& file)
{
    const QString& line = entry.Exec;
    QStringList arguments;
    QString argument;
    // An argument that was quoted stays even when empty; one that was only
    // field codes expanding to nothing goes.
    bool quoted = false;
    bool fileGiven = false;
    const auto finishArgument = [&] {
        if (quoted || !argument.isEmpty())
            arguments << argument;
        argument.clear();
        quoted = false;
    };
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (IsBlank(c)) {
            finishArgument();
        } else if (c == u'"') {
            quoted = true;
            for (++i;; ++i) {
                if (i == line.size())
                    return {}; // a quote that never closes
                if (line.at(i) == u'"')
                    break;
                if (line.at(i) == u'\\' && i + 1 < line.size() && IsQuotedEscape(line.at(i + 1)))
                    ++i;
                argument += line.at(i);
            }
        } else if (c == u'%' && i + 1 < line.size()) {
            const QChar code = line.at(++i);
            switch (code.unicode()) {
            case 'f':
            case 'F':
            case 'u':
            case 'U':
                // One file: the first file code takes it, as there is only one.
                if (!fileGiven)
                    argument += file;
                fileGiven = true;
                break;
            case 'i':
                // The icon as two arguments, and only as an argument of its own.
                if (argument.isEmpty() && !quoted && (i + 1 == line.size() || IsBlank(line.at(i + 1)))
                    && !entry.Icon.isEmpty())
                    arguments << QStringLiteral("--icon") << entry.Icon;
                break;
            case 'c':
                argument += entry.Name;
                break;
            case 'k':
                argument += entry.FilePath;
                break;
            case '%':
                argument += u'%';
                break;
            default:
                // %d %D %n %N %v %m are deprecated and removed; so is any unknown code.
                break;
            }
        } else {
            argument += c;
        }
    }
    finishArgument();
    if (arguments.isEmpty())
        return {};
    // A line without a file code still gets the file, as desktops do.
    if (!fileGiven)
        arguments << file;
    return arguments;
}
