{ fclwebpeer: the program a Free Pascal developer would write instead of a
  generated extension, for the serving benchmark.  A FastCGI application of
  fcl-web that renders a table of a SQLite database as HTML through SQLdb
  (TSQLite3Connection, TSQLQuery), written the way its documentation shows:
  one connection per process, opened at the first request, and a query per
  request.  lighttpd starts it (one process per core) on the socket it
  hands over, as it starts our responder.

    fclwebpeer DATABASE.sqlite

  Routes (the path after the URL prefix lighttpd maps to it):
    /browse   the customer table: COMPANY, CITY, PHONE
    /big      the table big, with the same fields

  The page is byte for byte the one the generated extension writes for
  the same table, so both sides send the same answer. }
program fclwebpeer;

{$MODE OBJFPC}{$H+}

uses
  {$IFDEF UNIX}cthreads,{$ENDIF}
  SysUtils, Classes, httpdefs, httproute, fpfcgi, sqldb, sqlite3conn;

var
  Connection: TSQLite3Connection = nil;
  Transaction: TSQLTransaction = nil;

function EscapeHtml(const S: string): string;
begin
  Result := StringReplace(S, '&', '&amp;', [rfReplaceAll]);
  Result := StringReplace(Result, '<', '&lt;', [rfReplaceAll]);
  Result := StringReplace(Result, '>', '&gt;', [rfReplaceAll]);
  Result := StringReplace(Result, '"', '&quot;', [rfReplaceAll]);
end;

procedure Connect;
begin
  if Connection <> nil then
    Exit;
  Connection := TSQLite3Connection.Create(nil);
  Transaction := TSQLTransaction.Create(nil);
  Connection.DatabaseName := ParamStr(1);
  Connection.Transaction := Transaction;
  Transaction.DataBase := Connection;
  Connection.Open;
end;

procedure ServeTable(const Table, Title: string; AResponse: TResponse);
var
  Query: TSQLQuery;
  Page: TStringStream;
begin
  Connect;
  Page := TStringStream.Create('');
  Query := TSQLQuery.Create(nil);
  try
    Query.DataBase := Connection;
    Query.Transaction := Transaction;
    Query.SQL.Text := 'SELECT COMPANY, CITY, PHONE FROM ' + Table;
    Query.Open;
    Page.WriteString('<HTML><HEAD><TITLE>' + EscapeHtml(Title) + '</TITLE></HEAD><BODY>'#13#10);
    Page.WriteString('<TABLE>'#13#10);
    while not Query.EOF do
    begin
      Page.WriteString('<TR><TD>' + EscapeHtml(Query.Fields[0].AsString) +
        '</TD><TD>' + EscapeHtml(Query.Fields[1].AsString) +
        '</TD><TD>' + EscapeHtml(Query.Fields[2].AsString) + '</TD></TR>'#13#10);
      Query.Next;
    end;
    Query.Close;
    Page.WriteString('</TABLE>'#13#10'</BODY></HTML>'#13#10);
    { Content would split the text into lines and join them again with
      the platform's line end; the stream goes out as it stands. }
    AResponse.ContentType := 'text/html';
    Page.Position := 0;
    AResponse.FreeContentStream := True;
    AResponse.ContentStream := Page;
    Page := nil;
  finally
    Query.Free;
    Page.Free;
  end;
end;

procedure Browse(ARequest: TRequest; AResponse: TResponse);
begin
  ServeTable('customer', 'Customers', AResponse);
end;

procedure Big(ARequest: TRequest; AResponse: TResponse);
begin
  ServeTable('big', 'Big', AResponse);
end;

begin
  if ParamCount <> 1 then
  begin
    WriteLn(StdErr, 'usage: fclwebpeer DATABASE.sqlite');
    Halt(2);
  end;
  HTTPRouter.RegisterRoute('/browse', @Browse);
  HTTPRouter.RegisterRoute('/big', @Big);
  Application.Initialize;
  Application.Run;
end.
