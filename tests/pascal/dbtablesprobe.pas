{ dbtablesprobe: runs one scenario of the unit dbtables against an engine
  alias and prints what happened, for the unit's tests.

    dbtablesprobe SCENARIO ALIAS TABLE

  A scenario prints its result; an exception prints its class and message. }
program dbtablesprobe;

{$MODE DELPHI}

uses {$IFDEF UNIX}cthreads,{$ENDIF} SysUtils, Classes, DBTables;

var
  Scenario, Alias, Table: string;
  SS: TSession;
  DB: TDatabase;
  TB: TTable;

procedure Connect;
begin
  SS.SessionName := 'Probe';
  DB.SessionName := 'Probe';
  DB.AliasName := Alias;
  DB.DatabaseName := 'MyDB';
  TB.SessionName := 'Probe';
  TB.DatabaseName := 'MyDB';
  TB.TableName := Table;
end;

procedure Run;
var
  I: Integer;
begin
  if Scenario = 'unknownsession' then
  begin
    Connect;
    TB.SessionName := 'Elsewhere';
    TB.Open;
  end
  else if Scenario = 'aliasasdatabasename' then
  begin
    TB.DatabaseName := Alias;
    TB.TableName := Table;
    TB.Open;
    Write(TB.FieldByName('name').AsString);
  end
  else if Scenario = 'noalias' then
  begin
    Connect;
    DB.AliasName := '';
    TB.Open;
  end
  else if Scenario = 'insertwhileclosed' then
  begin
    Connect;
    TB.Insert;
  end
  else if Scenario = 'setwhilebrowsing' then
  begin
    Connect;
    TB.Open;
    TB.FieldByName('NAME').AsString := 'x';
  end
  else if Scenario = 'postwithoutinsert' then
  begin
    Connect;
    TB.Open;
    TB.Post;
  end
  else if Scenario = 'nextpastend' then
  begin
    Connect;
    TB.Open;
    for I := 1 to 10 do
      TB.Next;
    Write(BoolToStr(TB.EOF, 'eof', 'not eof'), ' ', TB.FieldByName('NAME').AsString);
  end
  else if Scenario = 'databasefreedfirst' then
  begin
    Connect;
    TB.Open;
    FreeAndNil(DB);
    Write(BoolToStr(TB.Active, 'open', 'closed'));
  end
  else if Scenario = 'reopen' then
  begin
    Connect;
    TB.Open;
    TB.Next;
    TB.Close;
    TB.Open;
    Write(TB.FieldByName('NAME').AsString);
  end
  else
    Write('unknown scenario ', Scenario);
end;

begin
  if ParamCount <> 3 then
    Halt(2);
  Scenario := ParamStr(1);
  Alias := ParamStr(2);
  Table := ParamStr(3);
  SS := TSession.Create(nil);
  DB := TDatabase.Create(nil);
  TB := TTable.Create(nil);
  try
    try
      Run;
    except
      on E: Exception do
        Write(E.ClassName, ': ', E.Message);
    end;
  finally
    TB.Free;
    DB.Free;
    SS.Free;
  end;
end.
