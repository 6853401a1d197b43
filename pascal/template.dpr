library {*$LibName};

{ ISAPI extension library written by the Quillon wizard.

  The web server calls GetExtensionVersion once after loading the library
  and HttpExtensionProc once per request, possibly from several threads at
  once.  Everything a request uses lives in HttpExtensionProc's own
  variables, and the database components are created and freed by each
  call, so concurrent requests share nothing.

  The page is held back with its head until it is made: a page whose
  making fails is answered with an error status (400 for a missing request
  value, 503 for a database that cannot be reached, 500 otherwise) and the
  short error text, never with "200 OK".

  Under Free Pascal on Unix the library allocates through the C library
  (cmem, which must come first): its memory manager serves the many small
  strings of a page from per-thread caches, where Free Pascal's own one
  maps and unmaps chunks of memory for them on every request. }

{$IFDEF FPC}{$MODE DELPHI}{$ENDIF}

uses
  {$IFDEF FPC}{$IFDEF UNIX}cmem, cthreads,{$ENDIF}{$ELSE}Windows,{$ENDIF}
  SysUtils, Classes, DBTables, qnisapi, qnhttp;

function GetExtensionVersion(var Ver: THSE_VERSION_INFO): BOOL;
  {$IFDEF FPC}cdecl{$ELSE}stdcall{$ENDIF};
begin
  Ver.dwExtensionVersion := MakeExtensionVersion(HSE_VERSION_MAJOR, HSE_VERSION_MINOR);
  StrPLCopy(Ver.lpszExtensionDesc, '{*$LibTitle}', HSE_MAX_EXT_DLL_NAME_LEN - 1);
  Result := True;
end;

function HttpExtensionProc(var QnControlBlock: TEXTENSION_CONTROL_BLOCK): DWORD;
  {$IFDEF FPC}cdecl{$ELSE}stdcall{$ENDIF};
var
  F : TextFile;                  { the response: written to the client }
  ECB : TRequestData;            { the posted body }
  QnBody : String;               { holds the text ECB.Data points to }
  REQUEST_METHOD : String;
  QUERY_STRING : String;
{*$VarDecl}
  {*$DatabaseDecl}
  {*$TableDecl}

{*$GetValues}
{*$SendFile}
begin
  Result := HSE_STATUS_SUCCESS;
  REQUEST_METHOD := ServerString(QnControlBlock.lpszMethod);
  QUERY_STRING := ServerString(QnControlBlock.lpszQueryString);
  QnBody := ReadRequestBody(QnControlBlock);
  ECB.Data := PChar(QnBody);
  ECB.Available := Length(QnBody);
  AssignResponse(F, QnControlBlock);
  HoldResponse(F, '200 OK', 'Content-Type: text/html; charset=utf-8'#13#10#13#10);
  Rewrite (F);
  try
    try
      Writeln (F,'<HTML><HEAD><TITLE>'+{*$PageTitle}+'</TITLE></HEAD><BODY>');
    {*$HeaderHTML}
    {*$GetVal}
    {*$DataInit}
    {*$Database}
    {*$Table}
    {*$Query}
  {*$FreeRes}
    {*$Author}
    {*$EMail}
    {*$Company}
    {*$Version}
    {*$Copyright}
    {*$OtherInfo}
    {*$GenDate}
    {*$GenTime}
{*$FooterHTML}
      Writeln (F,'</BODY></HTML>');
    except
      on E: EAbort do
        FailResponse(F, FailureStatus(E));
      on E: Exception do
      begin
        FailResponse(F, FailureStatus(E));
        Writeln (F,'<P>Error: '+PrepareString(E.Message)+'</P></BODY></HTML>');
      end;
    end;
  finally
    CloseFile (F);
  end;
  if ResponseLost(F) then
    Result := HSE_STATUS_ERROR;
end;

function TerminateExtension(Flags: DWORD): BOOL;
  {$IFDEF FPC}cdecl{$ELSE}stdcall{$ENDIF};
begin
  Result := True;
end;

exports
  GetExtensionVersion,
  HttpExtensionProc,
  TerminateExtension;

begin
end.
