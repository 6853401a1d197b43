{ qnhttp: what a generated extension needs around the ISAPI interface.

  - AssignResponse binds a text file to the client: everything written to
    it with Write/Writeln is sent through the server's WriteClient, so the
    generated statements can all write to one text file F.  ResponseLost
    tells afterwards whether the client went away while it was written.
  - ReadRequestBody returns the whole posted body, including the part the
    server did not hand over in the control block (read with ReadClient).
  - Parse splits a query string or form body into parallel name and value
    lists, decoding the URL escapes.
  - PrepareString makes a text safe to put into an HTML page.
  - HoldResponse keeps the page and its head back until the page is made,
    so that FailResponse can still answer a page whose making failed with
    an error status (FailureStatus says which) instead of "200 OK".

  Under Free Pascal the unit also replaces TStringList (it must therefore
  follow Classes in a uses clause): a list index out of range raises
  EListError, as the generated parameter lookup expects, where Free
  Pascal's own list raises an exception outside that family. }
unit qnhttp;

{$IFDEF FPC}{$MODE DELPHI}{$ENDIF}

interface

uses
  {$IFNDEF FPC}Windows,{$ENDIF}
  SysUtils, Classes, qnisapi;

type
  { The posted body as a generated extension sees it. }
  TRequestData = record
    Data: PChar;      { the body, followed by a NUL }
    Available: DWORD; { its length in bytes }
  end;

{$IFDEF FPC}
  TStringList = class(Classes.TStringList)
  protected
    function Get(Index: Integer): string; override;
  end;
{$ENDIF}

function ServerString(P: PChar): string;
function ReadRequestBody(var CB: TEXTENSION_CONTROL_BLOCK): string;
procedure SendResponseHeader(var CB: TEXTENSION_CONTROL_BLOCK;
  const Status, Headers: string);
procedure AssignResponse(var F: Text; var CB: TEXTENSION_CONTROL_BLOCK);
function ResponseLost(var F: Text): Boolean;
procedure HoldResponse(var F: Text; const Status, Headers: string);
function FailResponse(var F: Text; const Status: string): Boolean;
function FailureStatus(E: Exception): string;
procedure Parse(const S: string; Key, Val: TStrings);
function UrlDecode(const S: string): string;
function PrepareString(const S: string): string;

implementation

uses qndbi;

{$IFDEF FPC}
function TStringList.Get(Index: Integer): string;
begin
  if (Index < 0) or (Index >= Count) then
    raise EListError.CreateFmt('List index (%d) out of bounds', [Index]);
  Result := inherited Get(Index);
end;
{$ENDIF}

function ServerString(P: PChar): string;
begin
  if P = nil then
    Result := ''
  else
    Result := StrPas(P);
end;

{ The body ends at its first NUL byte, if any: a generated extension turns
  the body into a string through a PChar, and a NUL inside would leave the
  string shorter than its stated length. }
function ReadRequestBody(var CB: TEXTENSION_CONTROL_BLOCK): string;
const
  Chunk = 8192;
var
  Have, Size: DWORD;
  NulAt: Integer;
begin
  Have := CB.cbAvailable;
  if (CB.lpbData = nil) or (Have > CB.cbTotalBytes) then
    Have := 0;
  SetLength(Result, Have);
  if Have > 0 then
    Move(CB.lpbData^, Result[1], Have);
  while (Have < CB.cbTotalBytes) and Assigned(CB.ReadClient) do
  begin
    Size := CB.cbTotalBytes - Have;
    if Size > Chunk then
      Size := Chunk;
    SetLength(Result, Have + Size);
    if not CB.ReadClient(CB.ConnID, @Result[Have + 1], Size) or (Size = 0) then
      Break;
    Have := Have + Size;
  end;
  SetLength(Result, Have);
  NulAt := Pos(#0, Result);
  if NulAt > 0 then
    SetLength(Result, NulAt - 1);
end;

procedure SendResponseHeader(var CB: TEXTENSION_CONTROL_BLOCK;
  const Status, Headers: string);
begin
  if Assigned(CB.ServerSupportFunction) then
    CB.ServerSupportFunction(CB.ConnID, HSE_REQ_SEND_RESPONSE_HEADER,
      PChar(Status), nil, PDWORD(PChar(Headers)));
end;

{ The text-file device.  The file record's user data holds the control
  block's address and whether the client has been lost; the device
  functions send the buffer to the client.

  A client that goes away (WriteClient fails) is not an error of the page:
  raising one would break off the request half-way, or, from the closing
  of the file, escape to the server.  The rest of the output is dropped
  instead, and ResponseLost tells the extension to report the failure to
  the server. }
const
  { A page held back beyond this size goes out with the status it has by
    then; a failure after that can only add its message to the page. }
  HeldPageLimit = 4 * 1024 * 1024;

type
  { A page held back with its head (see HoldResponse). }
  PHeldPage = ^THeldPage;
  THeldPage = record
    Status, Headers: string;
    Page: string;          { the bytes held so far: Page[1..Used] }
    Used: Integer;
  end;

  PResponseState = ^TResponseState;
  TResponseState = record
    CB: PEXTENSION_CONTROL_BLOCK;
    Lost: Boolean;
    Held: PHeldPage;       { nil when nothing is held back (any more) }
  end;

procedure WriteOut(State: PResponseState; P: PChar; Left: DWORD);
var
  Sent: DWORD;
begin
  while (Left > 0) and not State^.Lost do
  begin
    Sent := Left;
    if not State^.CB^.WriteClient(State^.CB^.ConnID, P, Sent, 0) or (Sent = 0)
      or (Sent > Left) then
      State^.Lost := True
    else
    begin
      Inc(P, Sent);
      Dec(Left, Sent);
    end;
  end;
end;

{ Sends the held head and page, and holds nothing from then on. }
procedure ReleaseHeld(State: PResponseState);
const
  Piece = 32768;  { within one FastCGI record, as a server would send it }
var
  Held: PHeldPage;
  Done, Count: Integer;
begin
  Held := State^.Held;
  if Held = nil then
    Exit;
  State^.Held := nil;
  try
    SendResponseHeader(State^.CB^, Held^.Status, Held^.Headers);
    Done := 0;
    while Done < Held^.Used do
    begin
      Count := Held^.Used - Done;
      if Count > Piece then
        Count := Piece;
      WriteOut(State, @Held^.Page[Done + 1], Count);
      Inc(Done, Count);
    end;
  finally
    Dispose(Held);
  end;
end;

{ Adds Count bytes to the held page, its room doubled as it fills, so
  that holding a page costs time in proportion to its size. }
procedure HoldBytes(Held: PHeldPage; P: PChar; Count: Integer);
var
  Room: Integer;
begin
  Room := Length(Held^.Page);
  if Held^.Used + Count > Room then
  begin
    if Room < 16384 then
      Room := 16384;
    while Held^.Used + Count > Room do
      Room := Room * 2;
    SetLength(Held^.Page, Room);
  end;
  Move(P^, Held^.Page[Held^.Used + 1], Count);
  Inc(Held^.Used, Count);
end;

function SendBuffer(var T: TTextRec): Integer;
var
  State: PResponseState;
  Count: DWORD;
begin
  Result := 0;
  State := PResponseState(@T.UserData);
  Count := T.BufPos;
  T.BufPos := 0;
  if State^.Held <> nil then
  begin
    HoldBytes(State^.Held, PChar(T.BufPtr), Count);
    if State^.Held^.Used > HeldPageLimit then
      ReleaseHeld(State);
  end
  else
    WriteOut(State, PChar(T.BufPtr), Count);
end;

function CloseDevice(var T: TTextRec): Integer;
begin
  Result := 0;
  if T.Mode = fmOutput then
    Result := SendBuffer(T);
  T.Mode := fmClosed;
  ReleaseHeld(PResponseState(@T.UserData));
end;

function OpenDevice(var T: TTextRec): Integer;
begin
  Result := 0;
  if T.Mode <> fmOutput then
    Result := 104; { file not open for input: the response is write-only }
end;

{ The device functions differ in form only: Free Pascal's are procedures
  that report an error in InOutRes, Delphi's return it. }
{$IFDEF FPC}
procedure Report(Error: Integer);
begin
  if Error <> 0 then
    InOutRes := Error;
end;

procedure ResponseOutput(var T: TextRec);
begin
  Report(SendBuffer(TTextRec(T)));
end;

procedure ResponseFlush(var T: TextRec);
begin
end;

procedure ResponseClose(var T: TextRec);
begin
  Report(CloseDevice(TTextRec(T)));
end;

procedure ResponseOpen(var T: TextRec);
begin
  Report(OpenDevice(TTextRec(T)));
  T.InOutFunc := @ResponseOutput;
  T.FlushFunc := @ResponseFlush;
  T.CloseFunc := @ResponseClose;
end;
{$ELSE}
function ResponseOutput(var T: TTextRec): Integer;
begin
  Result := SendBuffer(T);
end;

function ResponseFlush(var T: TTextRec): Integer;
begin
  Result := 0;
end;

function ResponseClose(var T: TTextRec): Integer;
begin
  Result := CloseDevice(T);
end;

function ResponseOpen(var T: TTextRec): Integer;
begin
  Result := OpenDevice(T);
  T.InOutFunc := @ResponseOutput;
  T.FlushFunc := @ResponseFlush;
  T.CloseFunc := @ResponseClose;
end;
{$ENDIF}

procedure AssignResponse(var F: Text; var CB: TEXTENSION_CONTROL_BLOCK);
begin
  AssignFile(F, '');
  TTextRec(F).OpenFunc := @ResponseOpen;
  PResponseState(@TTextRec(F).UserData)^.CB := @CB;
  PResponseState(@TTextRec(F).UserData)^.Lost := False;
  PResponseState(@TTextRec(F).UserData)^.Held := nil;
{$IFDEF FPC}
  SetTextLineEnding(F, #13#10);
{$ENDIF}
end;

function ResponseLost(var F: Text): Boolean;
begin
  Result := PResponseState(@TTextRec(F).UserData)^.Lost;
end;

{ Call after AssignResponse, before anything is written.  The head is sent
  with the page when the file is closed, or earlier if the page grows past
  HeldPageLimit. }
procedure HoldResponse(var F: Text; const Status, Headers: string);
var
  State: PResponseState;
begin
  State := PResponseState(@TTextRec(F).UserData);
  if State^.Held = nil then
    New(State^.Held);
  State^.Held^.Status := Status;
  State^.Held^.Headers := Headers;
  State^.Held^.Used := 0;
end;

{ True when the status could still be changed: F is a response, its head
  was held and has not gone out yet.  Any other text file is left alone. }
function FailResponse(var F: Text; const Status: string): Boolean;
var
  State: PResponseState;
begin
  State := PResponseState(@TTextRec(F).UserData);
  Result := (Pointer(TTextRec(F).OpenFunc) = Pointer(@ResponseOpen)) and (State^.Held <> nil);
  if Result then
    State^.Held^.Status := Status;
end;

{ A request the page could not be made for (Abort, after a missing request
  value was reported) is the client's fault; a database that cannot be
  opened or reached is a passing state of the service; anything else is a
  fault of the server. }
function FailureStatus(E: Exception): string;
begin
  if E is EAbort then
    Result := '400 Bad Request'
  else if (E is EDBEngineError) and (EDBEngineError(E).ErrorCode = QDBIERR_OPENFAILED) then
    Result := '503 Service Unavailable'
  else
    Result := '500 Internal Server Error';
end;

function HexValue(C: Char): Integer;
begin
  case C of
    '0'..'9': Result := Ord(C) - Ord('0');
    'a'..'f': Result := Ord(C) - Ord('a') + 10;
    'A'..'F': Result := Ord(C) - Ord('A') + 10;
  else
    Result := -1;
  end;
end;

{ "+" is a space and "%" with two hex digits is that byte; a "%" without
  two hex digits after it stands for itself. }
function UrlDecode(const S: string): string;
var
  I, N, Hi, Lo: Integer;
begin
  SetLength(Result, Length(S));
  N := 0;
  I := 1;
  while I <= Length(S) do
  begin
    Inc(N);
    Result[N] := S[I];
    if S[I] = '+' then
      Result[N] := ' '
    else if (S[I] = '%') and (I + 2 <= Length(S)) then
    begin
      Hi := HexValue(S[I + 1]);
      Lo := HexValue(S[I + 2]);
      if (Hi >= 0) and (Lo >= 0) then
      begin
        Result[N] := Chr(Hi * 16 + Lo);
        Inc(I, 2);
      end;
    end;
    Inc(I);
  end;
  SetLength(Result, N);
end;

{ Pairs are separated by "&"; a pair is split at its first "=", and a pair
  without one is a name with an empty value.  Empty pairs are skipped. }
procedure Parse(const S: string; Key, Val: TStrings);
var
  Start, Stop, Eq: Integer;
  Pair: string;
begin
  Start := 1;
  while Start <= Length(S) + 1 do
  begin
    Stop := Start;
    while (Stop <= Length(S)) and (S[Stop] <> '&') do
      Inc(Stop);
    Pair := Copy(S, Start, Stop - Start);
    if Pair <> '' then
    begin
      Eq := Pos('=', Pair);
      if Eq = 0 then
      begin
        Key.Add(UrlDecode(Pair));
        Val.Add('');
      end
      else
      begin
        Key.Add(UrlDecode(Copy(Pair, 1, Eq - 1)));
        Val.Add(UrlDecode(Copy(Pair, Eq + 1, Length(Pair))));
      end;
    end;
    Start := Stop + 1;
  end;
end;

{ Characters with a meaning in HTML become entities, so a value from the
  request or the database cannot add markup to the page.  The one tag let
  through is the line break "<BR>" (any letter case), which the free-text
  trailer lines carry inside the text they pass here.

  Most texts of a page (field values, titles) hold nothing to escape: the
  first pass only measures, and such a text is returned as it is, without
  a copy.  Otherwise the second pass fills a result of the measured length,
  moving the runs between escaped characters in one piece each. }
function IsBreakTag(P: PChar; Left: Integer): Boolean;
begin
  Result := (Left >= 4) and (P[1] in ['B', 'b']) and (P[2] in ['R', 'r'])
    and (P[3] = '>');
end;

function PrepareString(const S: string): string;
var
  P, Stop, Run, Q: PChar;
  Grow: Integer;
  Entity: string;
begin
  Grow := 0;
  P := PChar(S);
  Stop := P + Length(S);
  while P < Stop do
  begin
    case P^ of
      '&': Inc(Grow, 4);
      '>': Inc(Grow, 3);
      '"': Inc(Grow, 5);
      '<':
        if IsBreakTag(P, Stop - P) then
          Inc(P, 3)
        else
          Inc(Grow, 3);
    end;
    Inc(P);
  end;
  if Grow = 0 then
  begin
    Result := S;
    Exit;
  end;
  SetLength(Result, Length(S) + Grow);
  Q := PChar(Result);
  P := PChar(S);
  Run := P;
  while P < Stop do
  begin
    case P^ of
      '&': Entity := '&amp;';
      '>': Entity := '&gt;';
      '"': Entity := '&quot;';
      '<':
        if IsBreakTag(P, Stop - P) then
        begin
          Inc(P, 4);
          Continue;
        end
        else
          Entity := '&lt;';
    else
      begin
        Inc(P);
        Continue;
      end;
    end;
    Move(Run^, Q^, P - Run);
    Inc(Q, P - Run);
    Move(Entity[1], Q^, Length(Entity));
    Inc(Q, Length(Entity));
    Inc(P);
    Run := P;
  end;
  Move(Run^, Q^, P - Run);
end;

end.
