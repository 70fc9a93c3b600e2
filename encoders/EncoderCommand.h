#pragma once

#include <QString>
#include <QStringList>

// One encoder command line, kept twice from the same parts: as the text the user and the
// logs see (file names in double quotes) and as the argument vector the child receives.
// The vector is never split from the text, so a name with quotes or spaces arrives whole.
class EncoderCommand
{
public:
    // `shownName` heads the text, `program` is what gets started.
    EncoderCommand(const QString& shownName, const QString& program);

    // " <word>": an option or a plain value, one argument.
    EncoderCommand& add(const QString& word);
    // " "<path>"": a file name, quoted in the text. A relative name that begins with "-"
    // gets "./" in front in the vector so the encoder cannot read it as an option.
    EncoderCommand& addFile(const QString& path);

    const QString& text() const { return m_text; }
    const QString& program() const { return m_program; }
    const QStringList& arguments() const { return m_arguments; }

private:
    QString m_text;
    QString m_program;
    QStringList m_arguments;
};
