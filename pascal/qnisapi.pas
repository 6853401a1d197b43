{ qnisapi: the ISAPI extension interface, as a web server and an extension
  library exchange it.

  The records mirror the C declarations field for field, so a server written
  in C (or our test host) and an extension compiled from this unit agree on
  the layout.  Strings are 8-bit and NUL-terminated; sizes are 32-bit.
  Under Free Pascal the callbacks use the C calling convention of the
  platform; under Delphi on Windows they are stdcall, as the server expects. }
unit qnisapi;

{$IFDEF FPC}{$MODE DELPHI}{$PACKRECORDS C}{$ENDIF}

interface

{$IFNDEF FPC}
uses Windows;
{$ENDIF}

type
{$IFDEF FPC}
  DWORD = LongWord;
  BOOL = LongBool;
{$ENDIF}
  PDWORD = ^DWORD;
  HCONN = Pointer;

const
  HSE_VERSION_MAJOR = 1;
  HSE_VERSION_MINOR = 0;
  HSE_LOG_BUFFER_LEN = 80;
  HSE_MAX_EXT_DLL_NAME_LEN = 256;

  HSE_STATUS_SUCCESS = 1;
  HSE_STATUS_SUCCESS_AND_KEEP_CONN = 2;
  HSE_STATUS_PENDING = 3;
  HSE_STATUS_ERROR = 4;

  HSE_REQ_BASE = 0;
  HSE_REQ_SEND_URL_REDIRECT_RESP = HSE_REQ_BASE + 1;
  HSE_REQ_SEND_URL = HSE_REQ_BASE + 2;
  HSE_REQ_SEND_RESPONSE_HEADER = HSE_REQ_BASE + 3;
  HSE_REQ_DONE_WITH_SESSION = HSE_REQ_BASE + 4;

type
  TGetServerVariableProc = function(Conn: HCONN; VariableName: PChar;
    Buffer: Pointer; var Size: DWORD): BOOL;
    {$IFDEF FPC}cdecl{$ELSE}stdcall{$ENDIF};
  TWriteClientProc = function(ConnID: HCONN; Buffer: Pointer;
    var Bytes: DWORD; dwReserved: DWORD): BOOL;
    {$IFDEF FPC}cdecl{$ELSE}stdcall{$ENDIF};
  TReadClientProc = function(ConnID: HCONN; Buffer: Pointer;
    var Size: DWORD): BOOL;
    {$IFDEF FPC}cdecl{$ELSE}stdcall{$ENDIF};
  TServerSupportFunctionProc = function(Conn: HCONN; HSERRequest: DWORD;
    Buffer: Pointer; Size: PDWORD; DataType: PDWORD): BOOL;
    {$IFDEF FPC}cdecl{$ELSE}stdcall{$ENDIF};

  PEXTENSION_CONTROL_BLOCK = ^TEXTENSION_CONTROL_BLOCK;
  TEXTENSION_CONTROL_BLOCK = record
    cbSize: DWORD;              { size of this record }
    dwVersion: DWORD;           { server's interface version }
    ConnID: HCONN;              { the request, passed back to every callback }
    dwHttpStatusCode: DWORD;    { status the extension reports }
    lpszLogData: array[0..HSE_LOG_BUFFER_LEN - 1] of Char;
    lpszMethod: PChar;          { REQUEST_METHOD }
    lpszQueryString: PChar;     { QUERY_STRING }
    lpszPathInfo: PChar;
    lpszPathTranslated: PChar;
    cbTotalBytes: DWORD;        { length of the whole posted body }
    cbAvailable: DWORD;         { bytes of it already in lpbData }
    lpbData: Pointer;           { the first cbAvailable bytes of the body }
    lpszContentType: PChar;
    GetServerVariable: TGetServerVariableProc;
    WriteClient: TWriteClientProc;
    ReadClient: TReadClientProc;
    ServerSupportFunction: TServerSupportFunctionProc;
  end;
  EXTENSION_CONTROL_BLOCK = TEXTENSION_CONTROL_BLOCK;

  PHSE_VERSION_INFO = ^THSE_VERSION_INFO;
  THSE_VERSION_INFO = record
    dwExtensionVersion: DWORD;
    lpszExtensionDesc: array[0..HSE_MAX_EXT_DLL_NAME_LEN - 1] of Char;
  end;
  HSE_VERSION_INFO = THSE_VERSION_INFO;

function MakeExtensionVersion(Major, Minor: Word): DWORD;

implementation

function MakeExtensionVersion(Major, Minor: Word): DWORD;
begin
  Result := (DWORD(Major) shl 16) or Minor;
end;

end.
