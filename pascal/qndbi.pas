{ qndbi: the generated extension's binding to the engine library.

  The library is loaded at run time, the first time a database is opened:
  first by its name (the system's search, which also finds a library the
  process has already loaded), then from the folder of the running program,
  where our own programs keep it.  Entries are found by name: "DbiInitFn",
  "DbiExit", and "DbiOrdinal_N" for the entry with ordinal N.

  Every failure raises EDBEngineError carrying the engine's own message for
  the calling thread (DbiGetLastError), so the page shows what went wrong.
  The engine is opened once per process and closed when the unit is
  finalised (the extension library is unloaded). }
unit qndbi;

{$MODE DELPHI}

interface

uses SysUtils, Classes;

type
  DBIResult = Word;
  DBIBool = Word;
  hDBIDb = Pointer;
  hDBICur = Pointer;
  hDBIList = Pointer;

  EDatabaseError = class(Exception);

  EDBEngineError = class(EDatabaseError)
  private
    FErrorCode: DBIResult;
  public
    constructor CreateStatus(Status: DBIResult; const Msg: string);
    property ErrorCode: DBIResult read FErrorCode;
  end;

const
  EngineLibraryName = 'libidapi32.so';
  { The engine's status for a database that cannot be opened or reached. }
  QDBIERR_OPENFAILED = $3E0C;
  EngineInterfaceVersion = 300;

function EngineOpenDatabase(const Alias: string; Params: TStrings): hDBIDb;
procedure EngineCloseDatabase(Db: hDBIDb);
function EngineOpenTable(Db: hDBIDb; const TableName: string): hDBICur;
function EngineOpenQuery(Db: hDBIDb; const SQL: string): hDBICur;
function EngineOpenQueryParams(Db: hDBIDb; const SQL: string;
  Names, Values: TStrings): hDBICur;
procedure EngineCloseCursor(Cursor: hDBICur);
procedure EngineColumnNames(Cursor: hDBICur; Names: TStrings);
procedure EngineMoveNext(Cursor: hDBICur);
function EngineEof(Cursor: hDBICur): Boolean;
function EngineFieldText(Cursor: hDBICur; Index: Integer): string;
procedure EngineInsertRow(Db: hDBIDb; const TableName: string;
  Names, Values: TStrings);

implementation

uses dynlibs, BaseUnix;

type
  TDbiInitFn = function(Version: Word; Env: Pointer): DBIResult; cdecl;
  TDbiExit = function: DBIResult; cdecl;
  TDbiOpenDatabase = function(Alias, Params: PChar; var Db: hDBIDb): DBIResult; cdecl;
  TDbiCloseDatabase = function(Db: hDBIDb): DBIResult; cdecl;
  TDbiOpenTable = function(Db: hDBIDb; TableName: PChar; var Cursor: hDBICur): DBIResult; cdecl;
  TDbiOpenQuery = function(Db: hDBIDb; SQL: PChar; var Cursor: hDBICur): DBIResult; cdecl;
  TDbiOpenQueryParams = function(Db: hDBIDb; SQL: PChar; Count: LongWord;
    Names, Values: PPChar; var Cursor: hDBICur): DBIResult; cdecl;
  TDbiCloseCursor = function(Cursor: hDBICur): DBIResult; cdecl;
  TDbiGetColumnCount = function(Cursor: hDBICur; var Count: LongWord): DBIResult; cdecl;
  TDbiGetColumnName = function(Cursor: hDBICur; Index: LongWord; var Name: PChar): DBIResult; cdecl;
  TDbiMoveNext = function(Cursor: hDBICur): DBIResult; cdecl;
  TDbiGetCursorState = function(Cursor: hDBICur; Bof, Eof: PWord): DBIResult; cdecl;
  TDbiGetFieldText = function(Cursor: hDBICur; Index: LongWord; var Text: PChar;
    IsNull: PWord): DBIResult; cdecl;
  TDbiInsertRow = function(Db: hDBIDb; TableName: PChar; Count: LongWord;
    Names, Values: PPChar): DBIResult; cdecl;
  TDbiGetLastError = function(Status: PWord; Buffer: PChar; BufferSize: LongWord): DBIResult; cdecl;

var
  Lock: TRTLCriticalSection;
  Lib: TLibHandle = NilHandle;
  Opened: Boolean = False;
  DbiInitFn: TDbiInitFn;
  DbiExit: TDbiExit;
  DbiOpenDatabase: TDbiOpenDatabase;
  DbiCloseDatabase: TDbiCloseDatabase;
  DbiOpenTable: TDbiOpenTable;
  DbiOpenQuery: TDbiOpenQuery;
  DbiOpenQueryParams: TDbiOpenQueryParams;
  DbiCloseCursor: TDbiCloseCursor;
  DbiGetColumnCount: TDbiGetColumnCount;
  DbiGetColumnName: TDbiGetColumnName;
  DbiMoveNext: TDbiMoveNext;
  DbiGetCursorState: TDbiGetCursorState;
  DbiGetFieldText: TDbiGetFieldText;
  DbiInsertRow: TDbiInsertRow;
  DbiGetLastError: TDbiGetLastError;

constructor EDBEngineError.CreateStatus(Status: DBIResult; const Msg: string);
begin
  inherited Create(Msg);
  FErrorCode := Status;
end;

function ProgramFolder: string;
var
  Exe: string;
begin
  Exe := fpReadLink('/proc/self/exe');
  Result := ExtractFilePath(Exe);
end;

function Entry(const Name: string): Pointer;
begin
  Result := GetProcedureAddress(Lib, Name);
  if Result = nil then
    raise EDBEngineError.CreateStatus(0, 'The database engine library ' +
      EngineLibraryName + ' has no entry ' + Name);
end;

function Ordinal(N: Integer): Pointer;
begin
  Result := Entry('DbiOrdinal_' + IntToStr(N));
end;

procedure LoadEngine;
var
  Why: string;
  Beside: string;
begin
  Lib := LoadLibrary(EngineLibraryName);
  if Lib = NilHandle then
  begin
    Why := GetLoadErrorStr;
    Beside := ProgramFolder + EngineLibraryName;
    Lib := LoadLibrary(Beside);
    if Lib = NilHandle then
      raise EDBEngineError.CreateStatus(0, 'Cannot load the database engine library ' +
        EngineLibraryName + ': ' + Why + '; nor ' + Beside + ': ' + GetLoadErrorStr);
  end;
  try
    DbiInitFn := Entry('DbiInitFn');
    DbiExit := Entry('DbiExit');
    DbiGetLastError := Ordinal(1120);
    DbiOpenDatabase := Ordinal(1104);
    DbiCloseDatabase := Ordinal(1105);
    DbiOpenTable := Ordinal(1108);
    DbiOpenQuery := Ordinal(1109);
    DbiOpenQueryParams := Ordinal(1122);
    DbiCloseCursor := Ordinal(1110);
    DbiGetColumnCount := Ordinal(1111);
    DbiGetColumnName := Ordinal(1112);
    DbiMoveNext := Ordinal(1114);
    DbiGetCursorState := Ordinal(1117);
    DbiGetFieldText := Ordinal(1118);
    DbiInsertRow := Ordinal(1119);
  except
    FreeLibrary(Lib);
    Lib := NilHandle;
    raise;
  end;
end;

procedure Check(Status: DBIResult; const Context: string);
var
  Buffer: array[0..1023] of Char;
  Msg: string;
begin
  if Status = 0 then
    Exit;
  Buffer[0] := #0;
  if Assigned(DbiGetLastError) then
    DbiGetLastError(nil, Buffer, SizeOf(Buffer));
  Msg := StrPas(Buffer);
  if Msg = '' then
    Msg := Context + ': database engine error $' + IntToHex(Status, 4);
  raise EDBEngineError.CreateStatus(Status, Msg);
end;

procedure OpenEngine;
begin
  EnterCriticalSection(Lock);
  try
    if Opened then
      Exit;
    if Lib = NilHandle then
      LoadEngine;
    Check(DbiInitFn(EngineInterfaceVersion, nil), 'Opening the database engine');
    Opened := True;
  finally
    LeaveCriticalSection(Lock);
  end;
end;

function JoinLines(Lines: TStrings): string;
var
  I: Integer;
begin
  Result := '';
  if Lines = nil then
    Exit;
  for I := 0 to Lines.Count - 1 do
    Result := Result + Lines[I] + #10;
end;

{ The engine takes NUL-terminated texts.  A value holding a NUL byte (a
  request value with "%00") would reach it cut at that byte, and be stored
  or looked for as another value than the request gave, without a word;
  Take refuses it instead, naming it: Refusal + name + Reason. }
type
  TEngineTexts = record
    NameTexts, ValueTexts: array of string; { keep the texts alive for the call }
    NamePtrs, ValuePtrs: array of PChar;
    procedure Take(Names, Values: TStrings; const Refusal, Reason: string);
    function NameArray: PPChar;
    function ValueArray: PPChar;
  end;

procedure TEngineTexts.Take(Names, Values: TStrings; const Refusal, Reason: string);
var
  I: Integer;
begin
  SetLength(NameTexts, Names.Count);
  SetLength(ValueTexts, Names.Count);
  SetLength(NamePtrs, Names.Count + 1);
  SetLength(ValuePtrs, Names.Count + 1);
  for I := 0 to Names.Count - 1 do
  begin
    NameTexts[I] := Names[I];
    ValueTexts[I] := Values[I];
    if Pos(#0, ValueTexts[I]) > 0 then
      raise EDBEngineError.CreateStatus(0, Refusal + NameTexts[I] + Reason);
    NamePtrs[I] := PChar(NameTexts[I]);
    ValuePtrs[I] := PChar(ValueTexts[I]);
  end;
end;

function TEngineTexts.NameArray: PPChar;
begin
  Result := @NamePtrs[0];
end;

function TEngineTexts.ValueArray: PPChar;
begin
  Result := @ValuePtrs[0];
end;

function EngineOpenDatabase(const Alias: string; Params: TStrings): hDBIDb;
begin
  OpenEngine;
  Result := nil;
  Check(DbiOpenDatabase(PChar(Alias), PChar(JoinLines(Params)), Result),
    'Opening the database ' + Alias);
end;

procedure EngineCloseDatabase(Db: hDBIDb);
begin
  if Db <> nil then
    Check(DbiCloseDatabase(Db), 'Closing a database');
end;

function EngineOpenTable(Db: hDBIDb; const TableName: string): hDBICur;
begin
  Result := nil;
  Check(DbiOpenTable(Db, PChar(TableName), Result), 'Opening the table ' + TableName);
end;

function EngineOpenQuery(Db: hDBIDb; const SQL: string): hDBICur;
begin
  Result := nil;
  Check(DbiOpenQuery(Db, PChar(SQL), Result), 'Running the query');
end;

{ The values of the query's ":Name" parameters go to the engine as text,
  apart from the SQL, which never holds them; one holding a NUL byte is
  refused (see TEngineTexts). }
function EngineOpenQueryParams(Db: hDBIDb; const SQL: string;
  Names, Values: TStrings): hDBICur;
var
  Texts: TEngineTexts;
begin
  Texts.Take(Names, Values, 'Running the query: the value for the parameter :',
    ' holds a NUL byte, which cannot be passed on');
  Result := nil;
  Check(DbiOpenQueryParams(Db, PChar(SQL), Names.Count, Texts.NameArray, Texts.ValueArray, Result),
    'Running the query');
end;

procedure EngineCloseCursor(Cursor: hDBICur);
begin
  if Cursor <> nil then
    Check(DbiCloseCursor(Cursor), 'Closing a cursor');
end;

procedure EngineColumnNames(Cursor: hDBICur; Names: TStrings);
var
  Count, I: LongWord;
  Name: PChar;
begin
  Names.Clear;
  Count := 0;
  Check(DbiGetColumnCount(Cursor, Count), 'Reading the column count');
  for I := 0 to Integer(Count) - 1 do
  begin
    Name := nil;
    Check(DbiGetColumnName(Cursor, I, Name), 'Reading a column name');
    Names.Add(StrPas(Name));
  end;
end;

procedure EngineMoveNext(Cursor: hDBICur);
begin
  Check(DbiMoveNext(Cursor), 'Moving to the next row');
end;

function EngineEof(Cursor: hDBICur): Boolean;
var
  Eof: Word;
begin
  Eof := 0;
  Check(DbiGetCursorState(Cursor, nil, @Eof), 'Reading the cursor state');
  Result := Eof <> 0;
end;

function EngineFieldText(Cursor: hDBICur; Index: Integer): string;
var
  Text: PChar;
begin
  Text := nil;
  Check(DbiGetFieldText(Cursor, Index, Text, nil), 'Reading a field');
  Result := StrPas(Text);
end;

procedure EngineInsertRow(Db: hDBIDb; const TableName: string;
  Names, Values: TStrings);
var
  Texts: TEngineTexts;
begin
  Texts.Take(Names, Values, 'Inserting into the table ' + TableName + ': the value for the field ',
    ' holds a NUL byte, which cannot be stored; nothing was inserted');
  Check(DbiInsertRow(Db, PChar(TableName), Names.Count, Texts.NameArray, Texts.ValueArray),
    'Inserting into the table ' + TableName);
end;

initialization
  InitCriticalSection(Lock);

finalization
  if Opened then
    DbiExit();
  if Lib <> NilHandle then
    FreeLibrary(Lib);
  DoneCriticalSection(Lock);
end.
