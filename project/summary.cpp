#include "project/summary.h"

#include "project/queryparameters.h"
#include "project/textlines.h"

namespace quillon {

namespace {

template<typename Lines>
void append(StringList &out, const Lines &lines)
{
    out.insert(out.end(), lines.begin(), lines.end());
}

// The request values whose values the query's parameters take, each with
// its parameter; nothing for a query without such parameters.
void appendQueryFilters(StringList &out, const WizardProject &p)
{
    bool first = true;
    for (const QueryParameter &parameter : queryParameters(p.QrToBrowse, p.Input)) {
        if (parameter.requestValue.empty())
            continue;
        if (first)
            out.push_back("Filtered by the request values:");
        first = false;
        out.push_back(parameter.requestValue + " (:" + parameter.name + ")");
    }
}

void appendDatabase(StringList &out, const WizardProject &p)
{
    out.push_back("Database Support:");
    if (!p.DBOk) {
        out.push_back("No database support.");
        return;
    }
    out.push_back("Database Alias: " + p.DBName);
    if (p.DoBrowse) {
        out.push_back("Database browsing details:");
        if (p.TbBrowse) {
            out.push_back("Table: " + p.TbToBrowse);
        } else {
            out.push_back("SQL Query Text:");
            append(out, splitTypedLines(p.QrToBrowse));
            appendQueryFilters(out, p);
        }
        out.push_back("Returned Fields:");
        append(out, p.RetChosenFields);
    }
    if (p.DoInsert) {
        out.push_back("Database insert details:");
        out.push_back("Table: " + p.TbInsData);
        out.push_back("Fields to be updated:");
        append(out, p.UpdFields);
    }
}

void appendFurther(StringList &out, const WizardProject &p)
{
    out.push_back("Further Information:");
    const std::pair<const char *, const std::string *> details[] = {
        {"Author: ", &p.Author},   {"E-Mail: ", &p.Email},         {"Company: ", &p.Company},
        {"Version: ", &p.Version}, {"Copyright: ", &p.Copyright},
    };
    for (const auto &[label, value] : details) {
        if (!value->empty())
            out.push_back(label + *value);
    }
    if (p.DoGenDate)
        out.push_back("Including DLL Generation Data");
    if (p.DoGenTime)
        out.push_back("Including DLL Generation Time");
    if (!p.OtherInfo.empty()) {
        out.push_back("Other Info:");
        append(out, splitTypedLines(p.OtherInfo));
    }
}

} // namespace

StringList summaryLines(const WizardProject &p)
{
    StringList out;
    out.push_back("DLL Source File:");
    out.push_back(p.OutputDLL);
    out.push_back("");
    out.push_back("External HTML support files:");
    out.push_back(p.HasHeaderFile ? "Header HTML: " + p.HeaderFile : "No Header HTML file.");
    out.push_back(p.HasFooterFile ? "Footer HTML: " + p.FooterFile : "No Footer HTML file.");
    out.push_back("");
    if (!p.Input.empty()) {
        out.push_back("Input variables:");
        append(out, p.Input);
        out.push_back("");
    }
    appendDatabase(out, p);
    out.push_back("");
    appendFurther(out, p);
    return out;
}

} // namespace quillon
