/*
** The script driver's verb table: what each kind of operands hands a verb,
** which meaning a name already in the table keeps, and how a verb's error
** ends the script. Runs on a bare window, so nothing but the table is
** under test.
*/

#include "wizard/scriptdriver.h"
#include "wizard/scripteddialogs.h"

#include <QLineEdit>
#include <QWidget>

#include <gtest/gtest.h>

using namespace quillon::wizard;

namespace {

struct OperandRow
{
    const char *line;
    ScriptDriver::Operands operands;
    const char *name; // the name handed over
    const char *text; // the text handed over
};

class ScriptRun : public testing::Test
{
protected:
    // Runs lines on a window holding one line edit "edTarget"; the
    // transcript is returned, the status kept.
    QStringList run(const QStringList &lines, const std::function<void(ScriptDriver &)> &addVerbs)
    {
        QWidget window;
        window.setObjectName(QStringLiteral("wTest"));
        auto *edit = new QLineEdit(&window);
        edit->setObjectName(QStringLiteral("edTarget"));
        QStringList transcript;
        const auto sink = [&](const QString &line) { transcript << line; };
        ScriptedDialogs dialogs(sink);
        ScriptDriver driver(lines, window, dialogs, sink);
        addVerbs(driver);
        status = driver.run();
        return transcript;
    }
    int status = -1;
};

class ScriptVerbs : public ScriptRun, public testing::WithParamInterface<OperandRow>
{};

TEST_P(ScriptVerbs, HandOverTheOperandsTheirKindSays)
{
    const OperandRow &row = GetParam();
    QString name, text;
    QObject *target = nullptr;
    run({QString::fromUtf8(row.line)}, [&](ScriptDriver &driver) {
        driver.addVerb(QStringLiteral("probe"), row.operands, [&](const ScriptDriver::Arguments &a) {
            name = a.name;
            text = a.text;
            target = a.target;
            return QString();
        });
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(name, QString::fromUtf8(row.name));
    EXPECT_EQ(text, QString::fromUtf8(row.text));
    EXPECT_EQ(target != nullptr, row.operands == ScriptDriver::Operands::NameThenText);
}

using Ops = ScriptDriver::Operands;
INSTANTIATE_TEST_SUITE_P(
    Rows, ScriptVerbs,
    testing::Values(OperandRow{"probe edTarget some text  ", Ops::NameThenText, "edTarget", "some text  "},
                    OperandRow{"probe edTarget", Ops::NameThenText, "edTarget", ""},
                    OperandRow{"probe edTarget  ", Ops::NameThenText, "edTarget", " "},
                    OperandRow{"  probe edTarget a\\tb\\\\", Ops::NameThenText, "edTarget", "a\tb\\"},
                    OperandRow{"probe  two spaces", Ops::Text, "", " two spaces"},
                    OperandRow{"probe", Ops::Text, "", ""},
                    OperandRow{"probe  two spaces\\n", Ops::TrimmedText, "", "two spaces\n"},
                    OperandRow{"probe \\t", Ops::TrimmedText, "", "\t"}));

TEST_F(ScriptRun, ANameKeepsItsFirstMeaningAndAVerbsErrorEndsTheScript)
{
    QStringList seen;
    const QStringList t = run({"type edTarget x", "mine once", "mine twice", "never"}, [&](ScriptDriver &driver) {
        // "type" is the driver's own verb: a host's verb of that name is never run.
        driver.addCommand(QStringLiteral("type"), [&](const QString &) {
            seen << QStringLiteral("host type");
            return QString();
        });
        driver.addCommand(QStringLiteral("mine"), [&](const QString &text) {
            seen << text;
            return text == QLatin1String("twice") ? QStringLiteral("refused %1").arg(text) : QString();
        });
    });
    EXPECT_EQ(seen, (QStringList{"once", "twice"}));
    EXPECT_EQ(t.filter(QStringLiteral("error")), QStringList{"error 3: refused twice"});
    EXPECT_EQ(status, 1);
}

TEST_F(ScriptRun, UnknownVerbsAndMissingControlsAreNamed)
{
    for (const auto &[line, error] : std::initializer_list<std::pair<const char *, const char *>>{
             {"frobnicate edTarget", "error 1: unknown command frobnicate"},
             {"type edNowhere x", "error 1: no control named edNowhere"},
             {"choose edTarget x", "error 1: edTarget is not a combo box"}}) {
        const QStringList t = run({QString::fromUtf8(line)}, [](ScriptDriver &) {});
        EXPECT_EQ(t.filter(QStringLiteral("error")), QStringList{QString::fromUtf8(error)}) << line;
        EXPECT_EQ(status, 1) << line;
    }
}

} // namespace
