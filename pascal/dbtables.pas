{ dbtables: the session, database, table and query classes a generated
  extension uses, working through the engine library (unit qndbi).

  A request thread creates its own session, names it after itself, and
  creates a database component and a table or query that refer to the
  database by name within that session.  Opening a table or query finds
  the database component whose session name and database name match (names
  compare without regard to case), connects it to its alias on first use,
  and opens an engine cursor.  When no database component matches, the
  database name is taken as an alias and a private connection is opened.

  The components find each other through process-wide lists guarded by one
  lock; everything else belongs to the thread that created it.  Rows are
  read as the cursor moves: a table is never read whole. }
unit dbtables;

{$MODE DELPHI}

interface

uses SysUtils, Classes, Contnrs, qndbi;

type
  EDatabaseError = qndbi.EDatabaseError;
  EDBEngineError = qndbi.EDBEngineError;

  TSession = class(TComponent)
  private
    FSessionName: string;
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
    property SessionName: string read FSessionName write FSessionName;
  end;

  TDBDataSet = class;

  TDatabase = class(TComponent)
  private
    FAliasName: string;
    FDatabaseName: string;
    FSessionName: string;
    FLoginPrompt: Boolean;     { kept; a server extension never prompts }
    FParams: TStrings;         { "USER NAME=...", "PASSWORD=..." }
    FHandle: hDBIDb;
    FDataSets: TList;          { datasets open on this connection }
    function GetConnected: Boolean;
    procedure SetParams(Value: TStrings);
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
    procedure Open;
    procedure Close;
    property Handle: hDBIDb read FHandle;
    property Connected: Boolean read GetConnected;
    property AliasName: string read FAliasName write FAliasName;
    property DatabaseName: string read FDatabaseName write FDatabaseName;
    property SessionName: string read FSessionName write FSessionName;
    property LoginPrompt: Boolean read FLoginPrompt write FLoginPrompt;
    property Params: TStrings read FParams write SetParams;
  end;

  TField = class
  private
    FDataSet: TDBDataSet;
    FFieldName: string;
    FIndex: Integer;           { column of the engine cursor }
    FNewValue: string;         { value set while inserting }
    FModified: Boolean;        { FNewValue was set since Insert }
    function GetAsString: string;
    procedure SetAsString(const Value: string);
  public
    property FieldName: string read FFieldName;
    property AsString: string read GetAsString write SetAsString;
  end;

  TDataSetState = (dsInactive, dsBrowse, dsInsert);

  TDBDataSet = class(TComponent)
  private
    FSessionName: string;
    FDatabaseName: string;
    FDatabase: TDatabase;      { the connection the open cursor belongs to }
    FPrivateDatabase: TDatabase; { made when no component has the name }
    FCursor: hDBICur;
    FFields: TList;
    FState: TDataSetState;
    FEof: Boolean;
    FHasRow: Boolean;          { the cursor stands on a row }
    function GetActive: Boolean;
    procedure FreeFields;
    procedure CloseCursor;
  protected
    function OpenCursor(Db: hDBIDb): hDBICur; virtual; abstract;
    procedure CheckActive;
    function Describe: string; virtual; abstract;
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
    procedure Open;
    procedure Close;
    procedure Next;
    function FindField(const FieldName: string): TField;
    function FieldByName(const FieldName: string): TField;
    property Active: Boolean read GetActive;
    property EOF: Boolean read FEof;
    property State: TDataSetState read FState;
    property SessionName: string read FSessionName write FSessionName;
    property DatabaseName: string read FDatabaseName write FDatabaseName;
  end;

  TTable = class(TDBDataSet)
  private
    FTableName: string;
  protected
    function OpenCursor(Db: hDBIDb): hDBICur; override;
    function Describe: string; override;
  public
    procedure Insert;
    procedure Post;
    property TableName: string read FTableName write FTableName;
  end;

  { A value for a query's ":Name" parameter, always passed as text. }
  TParam = class
  private
    FName: string;
    FValue: string;
  public
    property Name: string read FName;
    property AsString: string read FValue write FValue;
  end;

  { A query's parameters by name; names compare without regard to case. }
  TParams = class
  private
    FItems: TObjectList;       { owns its parameters }
    function GetCount: Integer;
    function GetItem(Index: Integer): TParam;
  public
    constructor Create;
    destructor Destroy; override;
    procedure Clear;
    function FindParam(const Value: string): TParam;
    { The parameter of that name, made when it has none yet. }
    function ParamByName(const Value: string): TParam;
    property Count: Integer read GetCount;
    property Items[Index: Integer]: TParam read GetItem; default;
  end;

  TQuery = class(TDBDataSet)
  private
    FSQL: TStrings;
    FParams: TParams;
    procedure SetSQL(Value: TStrings);
  protected
    function OpenCursor(Db: hDBIDb): hDBICur; override;
    function Describe: string; override;
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
    function ParamByName(const Value: string): TParam;
    property SQL: TStrings read FSQL write SetSQL;
    property Params: TParams read FParams;
  end;

implementation

var
  Lock: TRTLCriticalSection;
  Sessions: TList;   { every live TSession }
  Databases: TList;  { every live TDatabase }

procedure Register(List: TList; Item: TObject);
begin
  EnterCriticalSection(Lock);
  try
    List.Add(Item);
  finally
    LeaveCriticalSection(Lock);
  end;
end;

procedure Unregister(List: TList; Item: TObject);
begin
  EnterCriticalSection(Lock);
  try
    List.Remove(Item);
  finally
    LeaveCriticalSection(Lock);
  end;
end;

{ An empty session name is the default session, which always exists. }
function IsDefaultSession(const Name: string): Boolean;
begin
  Result := (Name = '') or (CompareText(Name, 'Default') = 0);
end;

function SameSession(const A, B: string): Boolean;
begin
  if IsDefaultSession(A) then
    Result := IsDefaultSession(B)
  else
    Result := CompareText(A, B) = 0;
end;

function SessionExists(const Name: string): Boolean;
var
  I: Integer;
begin
  Result := IsDefaultSession(Name);
  EnterCriticalSection(Lock);
  try
    for I := 0 to Sessions.Count - 1 do
      if SameSession(TSession(Sessions[I]).SessionName, Name) then
        Result := True;
  finally
    LeaveCriticalSection(Lock);
  end;
end;

function FindDatabase(const Session, Name: string): TDatabase;
var
  I: Integer;
  Db: TDatabase;
begin
  Result := nil;
  EnterCriticalSection(Lock);
  try
    for I := 0 to Databases.Count - 1 do
    begin
      Db := TDatabase(Databases[I]);
      if SameSession(Db.SessionName, Session) and
        (CompareText(Db.DatabaseName, Name) = 0) then
      begin
        Result := Db;
        Break;
      end;
    end;
  finally
    LeaveCriticalSection(Lock);
  end;
end;

{ TSession }

constructor TSession.Create(AOwner: TComponent);
begin
  inherited Create(AOwner);
  Register(Sessions, Self);
end;

destructor TSession.Destroy;
begin
  Unregister(Sessions, Self);
  inherited Destroy;
end;

{ TDatabase }

constructor TDatabase.Create(AOwner: TComponent);
begin
  inherited Create(AOwner);
  FParams := TStringList.Create;
  FDataSets := TList.Create;
  FLoginPrompt := True;
  Register(Databases, Self);
end;

destructor TDatabase.Destroy;
begin
  Unregister(Databases, Self);
  try
    Close;
  except
    { A destructor cannot report a failure; the engine drops whatever is
      left of the connection when it closes. }
  end;
  FDataSets.Free;
  FParams.Free;
  inherited Destroy;
end;

procedure TDatabase.Open;
begin
  if FHandle <> nil then
    Exit;
  if FAliasName = '' then
    raise EDatabaseError.CreateFmt('Database ''%s'' has no alias name', [FDatabaseName]);
  FHandle := EngineOpenDatabase(FAliasName, FParams);
end;

procedure TDatabase.Close;
var
  Db: hDBIDb;
begin
  while FDataSets.Count > 0 do
    TDBDataSet(FDataSets[FDataSets.Count - 1]).Close;
  Db := FHandle;
  FHandle := nil;
  EngineCloseDatabase(Db);
end;

function TDatabase.GetConnected: Boolean;
begin
  Result := FHandle <> nil;
end;

procedure TDatabase.SetParams(Value: TStrings);
begin
  FParams.Assign(Value);
end;

{ TField }

function TField.GetAsString: string;
begin
  if FDataSet.FState = dsInsert then
    Result := FNewValue
  else if FDataSet.FHasRow then
    Result := EngineFieldText(FDataSet.FCursor, FIndex)
  else
    Result := '';
end;

procedure TField.SetAsString(const Value: string);
begin
  if FDataSet.FState <> dsInsert then
    raise EDatabaseError.CreateFmt('%s: field ''%s'' can only be set while inserting',
      [FDataSet.Describe, FFieldName]);
  FNewValue := Value;
  FModified := True;
end;

{ TDBDataSet }

constructor TDBDataSet.Create(AOwner: TComponent);
begin
  inherited Create(AOwner);
  FFields := TList.Create;
end;

destructor TDBDataSet.Destroy;
begin
  try
    Close;
  except
    { See TDatabase.Destroy. }
  end;
  FreeFields;
  FFields.Free;
  inherited Destroy;
end;

procedure TDBDataSet.FreeFields;
var
  I: Integer;
begin
  for I := 0 to FFields.Count - 1 do
    TField(FFields[I]).Free;
  FFields.Clear;
end;

procedure TDBDataSet.Open;
var
  Names: TStringList;
  Field: TField;
  I: Integer;
begin
  if FState <> dsInactive then
    Exit;
  if not SessionExists(FSessionName) then
    raise EDatabaseError.CreateFmt('%s: session ''%s'' not found', [Describe, FSessionName]);
  FDatabase := FindDatabase(FSessionName, FDatabaseName);
  if FDatabase = nil then
  begin
    if FPrivateDatabase = nil then
    begin
      FPrivateDatabase := TDatabase.Create(nil);
      Unregister(Databases, FPrivateDatabase);
      FPrivateDatabase.AliasName := FDatabaseName;
      FPrivateDatabase.DatabaseName := FDatabaseName;
    end;
    FDatabase := FPrivateDatabase;
  end;
  FDatabase.Open;
  FCursor := OpenCursor(FDatabase.Handle);
  FDatabase.FDataSets.Add(Self);
  FState := dsBrowse;
  Names := TStringList.Create;
  try
    try
      EngineColumnNames(FCursor, Names);
      for I := 0 to Names.Count - 1 do
      begin
        Field := TField.Create;
        Field.FDataSet := Self;
        Field.FFieldName := Names[I];
        Field.FIndex := I;
        FFields.Add(Field);
      end;
      FEof := EngineEof(FCursor);
      FHasRow := not FEof;
    except
      Close;
      raise;
    end;
  finally
    Names.Free;
  end;
end;

procedure TDBDataSet.Close;
begin
  FreeFields;
  FState := dsInactive;
  if FDatabase <> nil then
    FDatabase.FDataSets.Remove(Self);
  FDatabase := nil;
  try
    CloseCursor;
  finally
    FreeAndNil(FPrivateDatabase);
  end;
end;

{ Ends the engine cursor alone: the fields and the connection stay. }
procedure TDBDataSet.CloseCursor;
var
  Cursor: hDBICur;
begin
  FEof := True;
  FHasRow := False;
  Cursor := FCursor;
  FCursor := nil;
  EngineCloseCursor(Cursor);
end;

procedure TDBDataSet.Next;
begin
  CheckActive;
  if FEof or (FCursor = nil) then
    Exit;
  EngineMoveNext(FCursor);
  FEof := EngineEof(FCursor);
end;

procedure TDBDataSet.CheckActive;
begin
  if FState = dsInactive then
    raise EDatabaseError.CreateFmt('%s: cannot perform this operation on a closed dataset',
      [Describe]);
end;

function TDBDataSet.FindField(const FieldName: string): TField;
var
  I: Integer;
begin
  for I := 0 to FFields.Count - 1 do
  begin
    Result := TField(FFields[I]);
    if CompareText(Result.FFieldName, FieldName) = 0 then
      Exit;
  end;
  Result := nil;
end;

function TDBDataSet.FieldByName(const FieldName: string): TField;
begin
  Result := FindField(FieldName);
  if Result = nil then
    raise EDatabaseError.CreateFmt('%s: field ''%s'' not found', [Describe, FieldName]);
end;

function TDBDataSet.GetActive: Boolean;
begin
  Result := FState <> dsInactive;
end;

{ TTable }

function TTable.OpenCursor(Db: hDBIDb): hDBICur;
begin
  Result := EngineOpenTable(Db, FTableName);
end;

function TTable.Describe: string;
begin
  Result := 'Table ''' + FTableName + '''';
end;

{ An insert holds no read cursor on the table.  The row goes in through
  the connection, and on SQLite a statement still stepping through the
  table keeps the file's shared lock on that very connection: the insert
  then needs the write lock while holding a read lock, and when another
  connection is waiting for the write lock too, SQLite answers "database is
  locked" at once (waiting would deadlock) instead of within its busy
  timeout, so concurrent inserts were lost.  Closing the cursor first lets
  the insert wait its turn.  The fields stay, to take the new values. }
procedure TTable.Insert;
var
  I: Integer;
begin
  CheckActive;
  CloseCursor;
  for I := 0 to FFields.Count - 1 do
  begin
    TField(FFields[I]).FNewValue := '';
    TField(FFields[I]).FModified := False;
  end;
  FState := dsInsert;
end;

{ Only the fields given a value since Insert are sent; the engine leaves
  the others empty. }
procedure TTable.Post;
var
  Names, Values: TStringList;
  Field: TField;
  I: Integer;
begin
  CheckActive;
  if FState <> dsInsert then
    raise EDatabaseError.CreateFmt('%s: not in insert mode', [Describe]);
  Names := TStringList.Create;
  Values := TStringList.Create;
  try
    for I := 0 to FFields.Count - 1 do
    begin
      Field := TField(FFields[I]);
      if Field.FModified then
      begin
        Names.Add(Field.FFieldName);
        Values.Add(Field.FNewValue);
      end;
    end;
    EngineInsertRow(FDatabase.Handle, FTableName, Names, Values);
    FState := dsBrowse;
  finally
    Names.Free;
    Values.Free;
  end;
end;

{ TQuery }

constructor TParams.Create;
begin
  inherited Create;
  FItems := TObjectList.Create(True);
end;

destructor TParams.Destroy;
begin
  FItems.Free;
  inherited Destroy;
end;

procedure TParams.Clear;
begin
  FItems.Clear;
end;

function TParams.GetCount: Integer;
begin
  Result := FItems.Count;
end;

function TParams.GetItem(Index: Integer): TParam;
begin
  Result := TParam(FItems[Index]);
end;

function TParams.FindParam(const Value: string): TParam;
var
  I: Integer;
begin
  Result := nil;
  for I := 0 to FItems.Count - 1 do
    if CompareText(TParam(FItems[I]).Name, Value) = 0 then
    begin
      Result := TParam(FItems[I]);
      Exit;
    end;
end;

function TParams.ParamByName(const Value: string): TParam;
begin
  Result := FindParam(Value);
  if Result = nil then
  begin
    Result := TParam.Create;
    Result.FName := Value;
    FItems.Add(Result);
  end;
end;

constructor TQuery.Create(AOwner: TComponent);
begin
  inherited Create(AOwner);
  FSQL := TStringList.Create;
  FParams := TParams.Create;
end;

destructor TQuery.Destroy;
begin
  inherited Destroy;
  FSQL.Free;
  FParams.Free;
end;

function TQuery.ParamByName(const Value: string): TParam;
begin
  Result := FParams.ParamByName(Value);
end;

procedure TQuery.SetSQL(Value: TStrings);
begin
  FSQL.Assign(Value);
end;

{ The lines are joined with line breaks, so a line that ends inside a
  word does not run into the next.  With parameters, the engine binds each
  value to its ":Name" and refuses a parameter of the SQL that has none, or
  a value whose name the SQL does not hold; without, the SQL runs as it is. }
function TQuery.OpenCursor(Db: hDBIDb): hDBICur;
var
  Names, Values: TStringList;
  I: Integer;
begin
  if FParams.Count = 0 then
  begin
    Result := EngineOpenQuery(Db, FSQL.Text);
    Exit;
  end;
  Names := TStringList.Create;
  Values := TStringList.Create;
  try
    for I := 0 to FParams.Count - 1 do
    begin
      Names.Add(FParams[I].Name);
      Values.Add(FParams[I].AsString);
    end;
    Result := EngineOpenQueryParams(Db, FSQL.Text, Names, Values);
  finally
    Names.Free;
    Values.Free;
  end;
end;

function TQuery.Describe: string;
begin
  Result := 'Query';
end;

initialization
  InitCriticalSection(Lock);
  Sessions := TList.Create;
  Databases := TList.Create;

finalization
  Sessions.Free;
  Databases.Free;
  DoneCriticalSection(Lock);
end.
