#pragma once

/*
** WizardProject: every answer the wizard collects, as a plain value.
**
** Each field is named after its key in the project file. Text is 8-bit: the
** bytes are carried unchanged from the file or the controls to the generated
** source. Multi-line fields (QrToBrowse, OtherInfo) hold their text with the
** user's line breaks as CR LF.
**
** Invariants the wizard keeps and the generator relies on: at most one of
** DoBrowse/DoInsert and of TbBrowse/QrBrowse is set; UpdFields entries are
** "FIELD=InputName", split at the first "="; UpdFields and RetAvailFields
** are kept sorted (see sortedInsert()).
*/

#include <string>
#include <vector>

namespace quillon {

using StringList = std::vector<std::string>;

struct WizardProject
{
    // Header and footer
    bool HasHeaderFile = false;
    std::string HeaderFile;
    bool HasFooterFile = false;
    std::string FooterFile;

    // Request values read by the extension, in the user's order
    StringList Input;

    // Database choice
    bool DBOk = true;
    std::string DBName;   // database alias
    bool DoBrowse = true; // radio group with DoInsert
    bool DoInsert = false;

    // Login
    bool DoLogin = true;
    std::string UserName;
    std::string Password; // kept and stored in plain text

    // Insert mode
    std::string TbInsData;     // table the insert writes to
    StringList AvailFields;    // table fields not yet mapped
    StringList AvailInput;     // input values not yet mapped
    StringList UpdFields;      // sorted "FIELD=InputName" mapping entries

    // Browse mode
    bool TbBrowse = true; // radio group with QrBrowse
    std::string TbToBrowse;
    bool QrBrowse = false;
    std::string QrToBrowse;     // multi-line SQL text
    StringList RetAvailFields;  // sorted; fields of the source not returned
    StringList RetChosenFields; // returned fields, in the user's order

    // Page and trailer
    std::string PageTitle;
    std::string ExtName;
    std::string Copyright;
    std::string Version;
    std::string Author;
    std::string Email;
    std::string Company;
    bool DoGenDate = false;
    bool DoGenTime = false;
    std::string OtherInfo; // multi-line free text

    // Output
    std::string OutputDLL; // full path of the .dpr to generate

    bool operator==(const WizardProject &) const = default;
};

} // namespace quillon
