#include "generator/databasefragments.h"

#include "generator/fragmenttext.h"
#include "generator/pascalstring.h"
#include "generator/textlines.h"
#include "project/mapping.h"
#include "project/queryparameters.h"

namespace quillon::generator {

namespace {

bool browsing(const WizardProject &project)
{
    return project.DBOk && project.DoBrowse;
}

/*
** The arguments of the Writeln that writes one HTML table row: "'<TR>'",
** one '<TD>' cell per returned field (the first continuing the "'<TR>'"
** line, each later one opening its own line with the separator), then
** ",'</TR>'". The table browse separates cells with four spaces and a comma,
** the query browse with eight.
*/
void appendRow(FragmentText &f, std::string_view component, const StringList &fields)
{
    const int separator = component == "TB" ? 4 : 8;
    f.open(6, {"'<TR>'"});
    for (const auto &field : fields)
        f.line(separator, {",'<TD>',PrepareString(", component, ".FieldByName('", literalText(field),
                           "').AsString),'</TD>'"});
    f.line(6, {",'</TR>'"});
}

// The loop that writes every row of an opened data set as an HTML table.
void appendOutputLoop(FragmentText &f, std::string_view component, const StringList &fields)
{
    const int closing = component == "TB" ? 19 : 17;
    f.line(6, {component, ".Open;"})
        .line(6, {"Writeln (F,'<TABLE>');"})
        .line(6, {"while not ", component, ".eof do"})
        .line(6, {"begin"})
        .line(8, {"Writeln (F,"});
    appendRow(f, component, fields);
    f.line(closing, {");"})
        .line(8, {component, ".Next;"})
        .line(6, {"end;"})
        .line(6, {"Writeln (F,'</TABLE>');"})
        .line(6, {kRuleLine});
}

// The text for the data set in use: table, query, or nothing without one.
std::string_view byDataSet(const WizardProject &project, std::string_view table,
                           std::string_view query)
{
    switch (dataSetOf(project)) {
    case DataSet::Table: return table;
    case DataSet::Query: return query;
    case DataSet::None: break;
    }
    return {};
}

// The opening lines shared by the table browse and the table insert.
void appendTableSetup(FragmentText &f, std::string_view comment, const std::string &table)
{
    f.line(2, {kRuleLine})
        .line(6, {comment})
        .line(6, {kRuleLine})
        .line(6, {"TB.SessionName := SS.SessionName;"})
        .line(6, {"TB.DatabaseName := 'MyDB';"})
        .line(6, {"TB.TableName := '", literalText(table), "';"});
}

} // namespace

bool inserting(const WizardProject &project)
{
    return project.DBOk && !project.DoBrowse && project.DoInsert;
}

DataSet dataSetOf(const WizardProject &project)
{
    if (browsing(project))
        return project.TbBrowse ? DataSet::Table : DataSet::Query;
    return inserting(project) ? DataSet::Table : DataSet::None;
}

std::string databaseDeclFragment(const WizardProject &project)
{
    if (!project.DBOk)
        return {};
    return FragmentText().line(0, {"SS : TSession;"}).open(2, {"DB : TDatabase;"}).take();
}

std::string tableDeclFragment(const WizardProject &project)
{
    return std::string(byDataSet(project, "TB : TTable;", "QR : TQuery;"));
}

std::string dataInitFragment(const WizardProject &project)
{
    if (!project.DBOk)
        return {};
    FragmentText f;
    f.line(0, {kRuleLine})
        .line(4, {"{Database/DataSource Creation}"})
        .line(4, {kRuleLine})
        .line(4, {"DB := TDatabase.Create(nil);"})
        .line(4, {"SS := TSession.Create (nil);"});
    if (const auto create = byDataSet(project, "TB := TTable.Create (nil);", "QR := TQuery.Create (nil);");
        !create.empty())
        f.line(4, {create});
    f.line(4, {kRuleLine});
    return f.take();
}

std::string databaseFragment(const WizardProject &project)
{
    if (!project.DBOk)
        return {};
    FragmentText f;
    f.line(0, {"try"})
        .line(6, {kRuleLine})
        .line(6, {"{Database INIT}"})
        .line(6, {kRuleLine})
        .line(6, {"SS.SessionName := IntToStr(GetCurrentThreadID);"})
        .line(6, {"DB.LoginPrompt := False;"});
    if (project.DoLogin) {
        f.line(6, {"DB.Params.Clear;"})
            .line(6, {"DB.Params.Add ('USER NAME=", literalText(project.UserName), "');"})
            .line(6, {"DB.Params.Add ('PASSWORD=", literalText(project.Password), "');"});
    }
    f.line(6, {"DB.SessionName := SS.SessionName;"})
        .line(6, {"DB.AliasName := '", literalText(project.DBName), "';"})
        .line(6, {"DB.DatabaseName := 'MyDB';"})
        .line(6, {kRuleLine});
    return f.take();
}

std::string tableFragment(const WizardProject &project)
{
    FragmentText f;
    if (browsing(project) && project.TbBrowse) {
        appendTableSetup(f, "{Init Table & Output Table Data}", project.TbToBrowse);
        // Without returned fields the table is set up but never opened.
        if (!project.RetChosenFields.empty())
            appendOutputLoop(f, "TB", project.RetChosenFields);
    } else if (inserting(project)) {
        appendTableSetup(f, "{Init Table & Insert Table Data}", project.TbInsData);
        f.line(6, {"TB.Open;"}).line(6, {"TB.Insert;"});
        for (const auto &entry : project.UpdFields) {
            const auto mapping = splitMapping(entry);
            // The input name is the variable GetVars filled: a bare identifier.
            f.line(6, {"TB.FieldByName ('", literalText(mapping.field), "').AsString := ",
                       mapping.input, ";"});
        }
        f.line(6, {"TB.Post;"}).open(6, {kRuleLine});
    }
    return f.take();
}

std::string queryFragment(const WizardProject &project)
{
    // A query without returned fields is created and freed but never set up.
    if (dataSetOf(project) != DataSet::Query || project.RetChosenFields.empty())
        return {};
    FragmentText f;
    f.line(2, {kRuleLine})
        .line(6, {"{Init Query & Output Query Data}"})
        .line(6, {kRuleLine})
        .line(6, {"QR.SessionName := SS.SessionName;"})
        .line(6, {"QR.DatabaseName := 'MyDB';"});
    for (const auto sql : splitLines(project.QrToBrowse))
        f.line(6, {"QR.SQL.Add ('", literalText(sql), "');"});
    // A parameter that names a request value takes the value GetVars read,
    // bound as text; the SQL itself never holds it.
    for (const QueryParameter &parameter : queryParameters(project.QrToBrowse, project.Input))
        if (!parameter.requestValue.empty())
            f.line(6, {"QR.ParamByName ('", literalText(parameter.name), "').AsString := ",
                       parameter.requestValue, ";"});
    appendOutputLoop(f, "QR", project.RetChosenFields);
    return f.take();
}

std::string freeResFragment(const WizardProject &project)
{
    if (!project.DBOk)
        return {};
    FragmentText f;
    f.line(2, {"finally"})
        .line(6, {kRuleLine})
        .line(6, {"{Freeing Database Components}"})
        .line(6, {kRuleLine});
    if (const auto free = byDataSet(project, "TB.Free;", "QR.Free;"); !free.empty())
        f.line(6, {free});
    f.line(6, {"DB.Free;"})
        .line(6, {"SS.Free;"})
        .line(6, {kRuleLine})
        .line(4, {"end;"});
    return f.take();
}

} // namespace quillon::generator
