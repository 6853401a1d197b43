#pragma once

/*
** A project with every field set away from its default and awkward values
** throughout: 8-bit bytes, "=" in values, leading and trailing blanks,
** quotes (around whole values too, which the file must quote again), a tab,
** and multi-line texts with trailing empty lines.
*/

#include "project/wizardproject.h"

namespace quillon::test {

inline WizardProject awkwardProject()
{
    WizardProject p;
    p.HasHeaderFile = true;
    p.HeaderFile = "  C:\\web\\head er.htm";
    p.HasFooterFile = true;
    p.FooterFile = "/srv/\xe9t\xe9/foot.html ";
    p.Input = {"Town", "x", "Name_2", "\xc3\xa9t\xc3\xa9"};
    p.DBOk = true;
    p.DBName = "QUILLON DEMO";
    p.DoBrowse = false;
    p.DoInsert = true;
    p.DoLogin = false;
    p.UserName = "O'Brien";
    p.Password = "p=w \"q\" ";
    p.TbInsData = "ORDERS";
    p.AvailFields = {"ZIP", "ADDR"};
    p.AvailInput = {"x"};
    p.UpdFields = {"a=b=c", "CITY=Town", "name=Name_2"};
    p.TbBrowse = false;
    p.TbToBrowse = "CUSTOMER";
    p.QrBrowse = true;
    p.QrToBrowse = "SELECT *\r\n  FROM T\r\nWHERE NAME = 'Smith'\r\n\r\n";
    p.RetAvailFields = {"_id", "b", "B", "c"};
    p.RetChosenFields = {"NAME", "CITY"};
    p.PageTitle = "{*$Author} \"title\"";
    p.ExtName = "MyExt";
    p.Copyright = "(c) 2026";
    p.Version = " 1.0";
    p.Author = "\xd8ystein = me";
    p.Email = "a@b.c";
    p.Company = "\"Co\tLtd\"";
    p.DoGenDate = true;
    p.DoGenTime = true;
    p.OtherInfo = "line one\r\n[not a section]\r\nk=v\r\n\r\n";
    p.OutputDLL = "/tmp/out/MyExt.dpr";
    return p;
}

} // namespace quillon::test
