{ Starts the Quillon wizard as a process of its own and reads what it wrote.

  The wizard is "quillon wizard [PROJECT.qnp] --result FILE --lpi" (with
  "--script SCRIPT" when the environment variable QUILLON_WIZARD_SCRIPT
  names one, for tests). It replaces FILE atomically with "key=value"
  lines: status (finished, cancelled or failed), dpr, qnp, lpi and
  message. A wizard that dies leaves no file, which reads as a failure.
  The IDE keeps painting while the wizard runs; a second start while one
  runs is refused. }
unit QuillonWizardRun;

{$mode objfpc}{$H+}

interface

uses
  Classes, SysUtils;

type
  TQuillonWizardStatus = (qwsFinished, qwsCancelled, qwsFailed);

  TQuillonWizardResult = record
    Status: TQuillonWizardStatus;
    Dpr, Qnp, Lpi, Message: string;
  end;

{ Runs the wizard, on ProjectFile when it is not empty. }
function RunQuillonWizard(const ProjectFile: string): TQuillonWizardResult;

{ Reads a result file's lines; exposed for the package's own checks. }
function ParseQuillonResult(Lines: TStrings; ExitStatus: integer): TQuillonWizardResult;

implementation

uses
  Process, FileUtil, LazFileUtils, Forms;

var
  WizardRunning: boolean = False;

function Failed(const Msg: string): TQuillonWizardResult;
begin
  Result := Default(TQuillonWizardResult);
  Result.Status := qwsFailed;
  Result.Message := Msg;
end;

function ParseQuillonResult(Lines: TStrings; ExitStatus: integer): TQuillonWizardResult;
var
  Status: string;
begin
  Result := Default(TQuillonWizardResult);
  Status := Lines.Values['status'];
  Result.Dpr := Lines.Values['dpr'];
  Result.Qnp := Lines.Values['qnp'];
  Result.Lpi := Lines.Values['lpi'];
  Result.Message := Lines.Values['message'];
  if Status = 'finished' then
    Result.Status := qwsFinished
  else if Status = 'cancelled' then
    Result.Status := qwsCancelled
  else begin
    Result.Status := qwsFailed;
    if Result.Message = '' then
      Result.Message := Format('the wizard ended without a result (exit status %d)', [ExitStatus]);
  end;
end;

function RunQuillonWizard(const ProjectFile: string): TQuillonWizardResult;
var
  Proc: TProcess;
  Program_, ResultFile, Script: string;
  Lines: TStringList;
begin
  if WizardRunning then
    exit(Failed('the Quillon wizard is already open'));
  Program_ := FindDefaultExecutablePath('quillon');
  if Program_ = '' then
    exit(Failed('the program quillon is not in PATH: install the Debian package quillon'));
  ResultFile := GetTempFileNameUTF8(GetTempDir(False), 'quillon-result');
  DeleteFileUTF8(ResultFile);
  WizardRunning := True;
  Proc := TProcess.Create(nil);
  Lines := TStringList.Create;
  try
    Proc.Executable := Program_;
    Proc.Parameters.Add('wizard');
    Script := GetEnvironmentVariable('QUILLON_WIZARD_SCRIPT');
    if Script <> '' then begin
      Proc.Parameters.Add('--script');
      Proc.Parameters.Add(Script);
    end else if ProjectFile <> '' then
      Proc.Parameters.Add(ProjectFile);
    Proc.Parameters.Add('--result');
    Proc.Parameters.Add(ResultFile);
    Proc.Parameters.Add('--lpi');
    Proc.Options := [poNoConsole];
    Proc.InheritHandles := False;
    try
      Proc.Execute;
    except
      on E: Exception do
        exit(Failed(Program_ + ': ' + E.Message));
    end;
    while Proc.Running do begin
      Application.ProcessMessages;
      Sleep(20);
    end;
    if not FileExistsUTF8(ResultFile) then
      exit(Failed(Format('the wizard ended without a result (exit status %d)', [Proc.ExitStatus])));
    try
      Lines.LoadFromFile(ResultFile);
    except
      on E: Exception do
        exit(Failed(ResultFile + ': ' + E.Message));
    end;
    Result := ParseQuillonResult(Lines, Proc.ExitStatus);
  finally
    DeleteFileUTF8(ResultFile);
    Lines.Free;
    Proc.Free;
    WizardRunning := False;
  end;
end;

end.
