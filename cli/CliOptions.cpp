#include "cli/CliOptions.h"

#include "cli/CliFormats.h"
#include "settings/TSettings.h"

namespace {

constexpr unsigned RipOrConvert = CliOptions::Rip | CliOptions::Convert;

struct CommandName
{
    QString name;
    CliOptions::Command command;
    QString operands; // shown after the options in the usage
};

const std::vector<CommandName>& commandNames()
{
    static const std::vector<CommandName> names = {
        {QStringLiteral("drives"), CliOptions::Drives, QString()},
        {QStringLiteral("toc"), CliOptions::Toc, QString()},
        {QStringLiteral("rip"), CliOptions::Rip, QString()},
        {QStringLiteral("convert"), CliOptions::Convert, QStringLiteral("FILE...")},
    };
    return names;
}

// A whole decimal number within [low, high]; nullopt otherwise.
std::optional<int> number(const QString& text, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value < low || value > high || text.startsWith(QLatin1Char('+'))) {
        return std::nullopt;
    }
    return value;
}

QString formatError(const QString& option, const QString& value, const QStringList& known)
{
    return QStringLiteral("%1: unknown format '%2' (known: %3)").arg(option, value, known.join(QLatin1Char(' ')));
}

} // namespace

const std::vector<CliOption>& cliOptionTable()
{
    static const std::vector<CliOption> table = {
        {QStringLiteral("--drive"), QStringLiteral("N"), CliOptions::Toc | CliOptions::Rip, false,
         QStringLiteral("the drive of the drive list (default: the one chosen in the options, else 0)"),
         [](CliOptions& o, const QString& v) {
             o.drive = number(v, 0, 255);
             return o.drive ? QString() : QStringLiteral("--drive: '%1' is not a drive number").arg(v);
         }},
        {QStringLiteral("--tracks"), QStringLiteral("LIST"), CliOptions::Rip, false,
         QStringLiteral("the tracks to rip, such as 1-3,5 (default: all)"),
         [](CliOptions& o, const QString& v) { return parseTrackList(v, o.tracks); }},
        {QStringLiteral("--format"), ripFormatNames().join(QLatin1Char('|')), CliOptions::Rip, false,
         QStringLiteral("the files to make (default: the format of the options)"),
         [](CliOptions& o, const QString& v) {
             o.format = v;
             return findFormat(v) ? QString() : formatError(QStringLiteral("--format"), v, ripFormatNames());
         }},
        {QStringLiteral("--to"), convertFormatNames().join(QLatin1Char('|')), CliOptions::Convert, true,
         QStringLiteral("the format to convert to (wav: MP3 files to WAV)"),
         [](CliOptions& o, const QString& v) {
             o.format = v;
             const CliFormat* format = findFormat(v);
             return format && format->convert ? QString()
                                              : formatError(QStringLiteral("--to"), v, convertFormatNames());
         }},
        {QStringLiteral("--output"), QStringLiteral("DIR"), RipOrConvert, false,
         QStringLiteral("the folder for the files (default: the output folder of the options)"),
         [](CliOptions& o, const QString& v) {
             o.output = v;
             return v.isEmpty() ? QStringLiteral("--output: the folder name is empty") : QString();
         }},
        {QStringLiteral("--jobs"), QStringLiteral("N"), RipOrConvert, false,
         QStringLiteral("encoders running at once (default: the number of processor cores)"),
         [](CliOptions& o, const QString& v) {
             o.jobs = number(v, 1, 256);
             return o.jobs ? QString() : QStringLiteral("--jobs: '%1' is not a number from 1 to 256").arg(v);
         }},
        {QStringLiteral("--normalize"), QStringLiteral("PCT"), CliOptions::Rip, false,
         QStringLiteral("scale every extracted sample to PCT percent"),
         [](CliOptions& o, const QString& v) {
             o.normalize = number(v, 0, 100);
             return o.normalize ? QString() : QStringLiteral("--normalize: '%1' is not a percentage 0-100").arg(v);
         }},
        {QStringLiteral("--secure"), QString(), CliOptions::Rip, false,
         QStringLiteral("read in secure mode: re-read until sure (default: as the options say)"),
         [](CliOptions& o, const QString&) {
             o.secure = true;
             return QString();
         }},
        {QStringLiteral("--offset"), QStringLiteral("N"), CliOptions::Rip, false,
         QStringLiteral("the drive's read offset in samples, such as 6 or -30 (default: as the options say)"),
         [](CliOptions& o, const QString& v) {
             // Offsets are written with their sign as often as not: "+6".
             o.offset = number(v.startsWith(QLatin1Char('+')) ? v.mid(1) : v, -MaxReadOffset, MaxReadOffset);
             return o.offset ? QString()
                             : QStringLiteral("--offset: '%1' is not a number of samples from %2 to %3")
                                   .arg(v)
                                   .arg(-MaxReadOffset)
                                   .arg(MaxReadOffset);
         }},
        {QStringLiteral("--keep-wav"), QString(), CliOptions::Rip, false,
         QStringLiteral("keep the extracted WAV files after encoding"),
         [](CliOptions& o, const QString&) {
             o.keepWav = true;
             return QString();
         }},
        {QStringLiteral("--overwrite"), QString(), CliOptions::Convert, false,
         QStringLiteral("replace existing outputs"),
         [](CliOptions& o, const QString&) {
             o.overwrite = true;
             return QString();
         }},
        {QStringLiteral("--quiet"), QString(), RipOrConvert, false, QStringLiteral("print nothing but errors"),
         [](CliOptions& o, const QString&) {
             o.quiet = true;
             return QString();
         }},
    };
    return table;
}

QString parseTrackList(const QString& text, std::vector<std::pair<int, int>>& ranges)
{
    const QString bad = QStringLiteral("--tracks: '%1' is not a list of tracks such as 1-3,5").arg(text);
    if (text.trimmed().isEmpty()) {
        return bad;
    }
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QStringList ends = part.split(QLatin1Char('-'));
        if (ends.size() > 2) {
            return bad;
        }
        const std::optional<int> first = number(ends.front().trimmed(), 0, 999);
        const std::optional<int> last = number(ends.back().trimmed(), 0, 999);
        if (!first || !last) {
            return bad;
        }
        if (*first == 0 || *last == 0) {
            return QStringLiteral("--tracks: there is no track 0 (the first track is 1)");
        }
        if (*first > *last) {
            return QStringLiteral("--tracks: the range %1 runs backwards").arg(part.trimmed());
        }
        ranges.emplace_back(*first, *last);
    }
    return QString();
}

CliParse parseCommandLine(const QStringList& arguments)
{
    CliParse result;
    CliOptions& o = result.options;
    if (arguments.isEmpty()) {
        result.error = QStringLiteral("no command given");
        return result;
    }
    const QString& first = arguments.front();
    if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("help")) {
        o.help = true;
        return result;
    }
    for (const CommandName& command : commandNames()) {
        if (command.name == first) {
            o.command = command.command;
        }
    }
    if (o.command == CliOptions::None) {
        result.error = QStringLiteral("unknown command '%1'").arg(first);
        return result;
    }
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || !argument.startsWith(QLatin1String("--")) || argument == QLatin1String("-")) {
            if (o.command != CliOptions::Convert) {
                result.error = QStringLiteral("unexpected argument '%1'").arg(argument);
                return result;
            }
            o.files << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (argument == QLatin1String("--help")) {
            o.help = true;
            return result;
        }
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        const QString name = equals < 0 ? argument : argument.left(equals);
        const auto& table = cliOptionTable();
        const auto option =
            std::find_if(table.begin(), table.end(), [&](const CliOption& row) { return row.name == name; });
        if (option == table.end() || (option->commands & o.command) == 0) {
            result.error = QStringLiteral("%1 takes no option %2").arg(first, name);
            return result;
        }
        QString value;
        if (!option->value.isEmpty()) {
            if (equals >= 0) {
                value = argument.mid(equals + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                result.error = QStringLiteral("%1 needs a value (%2)").arg(name, option->value);
                return result;
            }
        } else if (equals >= 0) {
            result.error = QStringLiteral("%1 takes no value").arg(name);
            return result;
        }
        result.error = option->apply(o, value);
        if (!result.error.isEmpty()) {
            return result;
        }
    }
    if (o.command == CliOptions::Convert) {
        if (o.format.isEmpty()) {
            result.error = QStringLiteral("convert needs --to %1").arg(convertFormatNames().join(QLatin1Char('|')));
        } else if (o.files.isEmpty()) {
            result.error = QStringLiteral("convert needs at least one FILE");
        }
    }
    return result;
}

QString usageText()
{
    QString text;
    bool firstLine = true;
    for (const CommandName& command : commandNames()) {
        QString line = (firstLine ? QStringLiteral("usage: ") : QStringLiteral("       ")) +
                       QStringLiteral("tarnwick-cli ") + command.name;
        firstLine = false;
        for (const CliOption& option : cliOptionTable()) {
            if (option.commands & command.command) {
                const QString text =
                    option.name + (option.value.isEmpty() ? QString() : QStringLiteral(" ") + option.value);
                line += option.required ? QStringLiteral(" ") + text : QStringLiteral(" [") + text + QLatin1Char(']');
            }
        }
        if (!command.operands.isEmpty()) {
            line += QLatin1Char(' ') + command.operands;
        }
        text += line + QLatin1Char('\n');
    }
    text += QStringLiteral("\noptions:\n");
    for (const CliOption& option : cliOptionTable()) {
        const QString head = option.name + (option.value.isEmpty() ? QString() : QStringLiteral(" ") + option.value);
        text += QStringLiteral("  %1  %2\n").arg(head, -24).arg(option.help);
    }
    text += QStringLiteral("\nSettings, titles and encoder options come from options.ini and cdinfo.dat in the "
                           "program folder (or TARNWICK_HOME); neither file is written.\n"
                           "Exit status: 0 all done, 1 an item failed, 2 bad arguments, 130 stopped.\n");
    return text;
}
