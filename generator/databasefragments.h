#pragma once

/*
** The fragments that give the generated extension its database access.
**
** Each run of the generated request code creates its own session SS (named
** after the running thread), database DB (known to the table or query as
** "MyDB"), and table TB or query QR, and frees them all at the end, so
** concurrent requests share no database component.
**
** Every fragment here is empty when the project has no database. Browse mode
** is DoBrowse set; insert mode is DoInsert set while DoBrowse is clear (a
** record with both set, which the wizard never makes, browses). Browsing
** uses the table TB when TbBrowse is set and the query QR otherwise; insert
** mode always uses TB.
*/

#include "project/wizardproject.h"

#include <string>

namespace quillon::generator {

enum class DataSet { None, Table, Query };

// Insert mode: the generated code writes the UpdFields mapping to the table.
bool inserting(const WizardProject &project);

// The data set component the generated code declares, creates and frees.
DataSet dataSetOf(const WizardProject &project);

std::string databaseDeclFragment(const WizardProject &project); // {*$DatabaseDecl}
std::string tableDeclFragment(const WizardProject &project);    // {*$TableDecl}
std::string dataInitFragment(const WizardProject &project);     // {*$DataInit}
std::string databaseFragment(const WizardProject &project);     // {*$Database}
std::string tableFragment(const WizardProject &project);        // {*$Table}
std::string queryFragment(const WizardProject &project);        // {*$Query}
std::string freeResFragment(const WizardProject &project);      // {*$FreeRes}

} // namespace quillon::generator
