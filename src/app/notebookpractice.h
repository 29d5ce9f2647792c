#pragma once

#include "core/factsource.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

namespace Zentovia {

class PracticePlan;

// The questions of a ripasso, from the child's notebook: read when the first
// question is asked, once the child's name is known.
class NotebookPractice : public FactSource
{
public:
    // child gives the name typed in the name box. tables: those chosen on
    // the command line, or none: every table the child has answered in, or
    // else the 5.
    NotebookPractice(
        const QString &notebookPath, std::function<QString()> child, const QList<int> &tables);
    ~NotebookPractice() override;

    Fact next() override;
    void answered(const Fact &fact, bool right) override;

private:
    void plan();

    QString m_path;
    std::function<QString()> m_child;
    QList<int> m_tables;
    std::unique_ptr<PracticePlan> m_plan;
};

} // namespace Zentovia
