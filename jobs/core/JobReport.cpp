#include "jobs/core/JobReport.h"

#include <algorithm>

void JobReport::add(const QString& problem, const QString& item)
{
    const auto known =
        std::find_if(m_problems.begin(), m_problems.end(), [&](const Problem& p) { return p.text == problem; });
    if (known == m_problems.end()) {
        m_problems.push_back({problem, {item}});
    } else if (!known->items.contains(item)) {
        known->items << item;
    }
}

QString JobReport::text() const
{
    QStringList paragraphs;
    for (const Problem& problem : m_problems) {
        QString paragraph = problem.text;
        if (problem.items.size() > 1) {
            paragraph += QStringLiteral("\r\n(%1 %2: %3)")
                             .arg(problem.items.size())
                             .arg(m_items, problem.items.join(QStringLiteral(", ")));
        }
        paragraphs << paragraph;
    }
    return paragraphs.join(QStringLiteral("\r\n\r\n"));
}
