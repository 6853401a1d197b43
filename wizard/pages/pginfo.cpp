#include "wizard/pages/pginfo.h"

#include "project/summary.h"
#include "wizard/ansitext.h"

#include <QCheckBox>
#include <QPlainTextEdit>

namespace quillon::wizard {

PgInfo::PgInfo(WizardContext &context, QWidget *parent)
    : WizardPage("pgInfo", context, parent)
{
    label("Label16", QStringLiteral("Summary of your information:"), QRect(12, 8, 305, 16));
    moInfo = memo("moInfo", QRect(12, 26, 306, 164));
    moInfo->setLineWrapMode(QPlainTextEdit::NoWrap);
    moInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    moInfo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette grey = moInfo->palette();
    grey.setColor(QPalette::Base, QColor(192, 192, 192));
    moInfo->setPalette(grey);
    label("Label17", QStringLiteral("Press 'Finish' to generate your ISAPI DLL source file."), QRect(12, 196, 305, 16));
    cbSaveProject = checkBox("cbSaveProject", QStringLiteral("Save this project"), QRect(12, 216, 200, 20), true);
}

void PgInfo::showSummary(const WizardProject &project)
{
    QStringList lines;
    for (const std::string &line : summaryLines(project))
        lines << displayText(line);
    moInfo->setPlainText(lines.join(QLatin1Char('\n')));
}

bool PgInfo::saveRequested() const
{
    return cbSaveProject->isChecked();
}

} // namespace quillon::wizard
