#include "encoders/EncoderCommand.h"

EncoderCommand::EncoderCommand(const QString& shownName, const QString& program) : m_text(shownName), m_program(program)
{
}

EncoderCommand& EncoderCommand::add(const QString& word)
{
    m_text += QLatin1Char(' ') + word;
    m_arguments << word;
    return *this;
}

EncoderCommand& EncoderCommand::addFile(const QString& path)
{
    m_text += QStringLiteral(" \"") + path + QLatin1Char('"');
    m_arguments << (path.startsWith(QLatin1Char('-')) ? QStringLiteral("./") + path : path);
    return *this;
}
