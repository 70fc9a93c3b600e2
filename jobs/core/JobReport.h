#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// The problems of a job that goes on past them: a job of twelve tracks whose encoder is
// missing fails twelve times the same way, and the user is to hear it once, with the
// tracks it concerns, when the job has ended.
class JobReport
{
public:
    // `items` names what the job works on in the plural ("tracks", "files").
    explicit JobReport(QString items = QStringLiteral("tracks")) : m_items(std::move(items)) {}

    // `problem` happened to `item`; the same text again only adds the item.
    void add(const QString& problem, const QString& item);
    bool isEmpty() const { return m_problems.empty(); }
    // One paragraph per problem, in the order they first happened; a problem of more than
    // one item ends in a line naming them, "(3 tracks: One, Two, Three)".
    QString text() const;
    void clear() { m_problems.clear(); }

private:
    struct Problem
    {
        QString text;
        QStringList items;
    };
    QString m_items;
    std::vector<Problem> m_problems;
};
