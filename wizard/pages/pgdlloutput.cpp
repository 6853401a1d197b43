#include "wizard/pages/pgdlloutput.h"

#include "project/textlines.h"
#include "wizard/controltext.h"
#include "wizard/filechecks.h"

#include <QDir>

#include <QLineEdit>
#include <QToolButton>

namespace quillon::wizard {

PgDLLOutput::PgDLLOutput(WizardContext &context, QWidget *parent)
    : WizardPage("pgDLLOutput", context, parent)
{
    label("Label19", QStringLiteral("Enter here the complete path name of the output DLL project source file:"),
          QRect(12, 12, 305, 32));
    edDLLFile = lineEdit("edDLLFile", QRect(12, 56, 276, 22));
    sbOutput = speedButton("sbOutput", QStringLiteral("..."), QStringLiteral("Select Output DLL Source Name/Location"),
                           QRect(294, 56, 24, 22));
    connect(sbOutput, &QToolButton::clicked, this, [this] {
        FileDialogRequest out;
        out.name = "OutDlg";
        out.kind = FileDialogRequest::Save;
        out.title = QStringLiteral("Select Output DLL Source Name/Location");
        out.filter = QStringLiteral("Delphi DLL Project|*.dpr");
        out.defaultExtension = QStringLiteral("dpr");
        out.overwritePrompt = true;
        if (const auto path = m_ctx.dialogs.fileDialog(m_ctx.owner, out); path && !path->isEmpty())
            edDLLFile->setText(*path);
    });
}

void PgDLLOutput::loadSettings(const WizardProject &p, LoadStage stage)
{
    if (stage == LoadStage::Trailer)
        setControlBytes(edDLLFile, p.OutputDLL);
}

void PgDLLOutput::saveSettings(WizardProject &p) const
{
    p.OutputDLL = controlBytes(edDLLFile);
}

void PgDLLOutput::validatePage()
{
    const std::string entered = controlBytes(edDLLFile);
    const std::string here = QDir::currentPath().toStdString();
    if (!isBlankText(entered) && outputPathProblem(entered, here).empty())
        setControlBytes(edDLLFile, completeOutputPath(entered, here));
}

void PgDLLOutput::addFacts(NavigationFacts &f) const
{
    f.outputProblem = outputPathProblem(controlBytes(edDLLFile), QDir::currentPath().toStdString());
}

void PgDLLOutput::initializePage(const WizardProject &)
{
    focusEntry();
}

void PgDLLOutput::focusEntry()
{
    edDLLFile->setFocus();
}

} // namespace quillon::wizard
