{ Registers Quillon in the Lazarus IDE: the project descriptor
  "Quillon Web Extension" (File > New... > Project) and, in the Tools menu,
  "&Quillon Web Application..." and "Edit Quillon Project...". Each runs the
  wizard as its own process (QuillonWizardRun); after Finish the generated
  Lazarus project (.lpi) is opened, or, when the current project was edited,
  its regenerated source is reloaded in the editor. A cancelled wizard
  changes nothing; a failed one is named in the Messages window. }
unit QuillonLazReg;

{$mode objfpc}{$H+}

interface

uses
  Classes, SysUtils, Controls, Forms, Dialogs, LazFileUtils,
  ProjectIntf, LazIDEIntf, MenuIntf, IDEMsgIntf, IDEExternToolIntf,
  QuillonWizardRun;

type
  { The descriptor runs the wizard before the IDE closes its project: the
    IDE's own new-project steps are declined (mrCancel) and the generated
    .lpi is opened once the New dialog has gone. }
  TQuillonProjectDescriptor = class(TProjectDescriptor)
  protected
    function DoInitDescriptor: TModalResult; override;
  public
    constructor Create; override;
    function GetLocalizedName: string; override;
    function GetLocalizedDescription: string; override;
  end;

procedure Register;

implementation

const
  QnpDataKey = 'QuillonProject'; // the project's .qnp, kept in the .lpi

type
  TQuillonActions = class
  public
    PendingLpi, PendingQnp: string;
    procedure OpenPending(Data: PtrInt);
    procedure NewApplication(Sender: TObject);
    procedure EditProject(Sender: TObject);
  end;

var
  Actions: TQuillonActions;

{ Names a failure in the Messages window; true when R finished. }
function Concluded(const R: TQuillonWizardResult): boolean;
begin
  Result := R.Status = qwsFinished;
  if R.Status = qwsFailed then
    AddIDEMessage(mluError, 'Quillon wizard: ' + R.Message, R.Dpr);
  if Result and (R.Lpi = '') then begin
    AddIDEMessage(mluError, 'Quillon wizard: no Lazarus project was written for ' + R.Dpr, R.Dpr);
    Result := False;
  end;
end;

procedure RememberQnp(const Qnp: string);
var
  Project: TLazProject;
begin
  Project := LazarusIDE.ActiveProject;
  if (Project = nil) or (Qnp = '') then exit;
  if Project.CustomData[QnpDataKey] <> Qnp then begin
    // Saved at once: the record is ours, the user has nothing to confirm.
    Project.CustomData[QnpDataKey] := Qnp;
    Project.Modified := True;
    if LazarusIDE.DoSaveProject([sfQuietUnitCheck]) <> mrOk then
      AddIDEMessage(mluWarning, 'Quillon: could not record ' + Qnp + ' in ' + Project.ProjectInfoFile);
  end;
end;

procedure OpenGenerated(const R: TQuillonWizardResult);
begin
  if LazarusIDE.DoOpenProjectFile(R.Lpi, [ofAddToRecent]) <> mrOk then begin
    AddIDEMessage(mluError, 'Quillon wizard: Lazarus could not open ' + R.Lpi, R.Lpi);
    exit;
  end;
  RememberQnp(R.Qnp);
end;

procedure TQuillonActions.OpenPending(Data: PtrInt);
var
  R: TQuillonWizardResult;
begin
  R := Default(TQuillonWizardResult);
  R.Lpi := PendingLpi;
  R.Qnp := PendingQnp;
  PendingLpi := '';
  PendingQnp := '';
  OpenGenerated(R);
end;

procedure TQuillonActions.NewApplication(Sender: TObject);
var
  R: TQuillonWizardResult;
begin
  R := RunQuillonWizard('');
  if Concluded(R) then
    OpenGenerated(R);
end;

{ The current project's .qnp: the one recorded in its .lpi, else NAME.qnp
  beside its main source, else one the user chooses. }
function CurrentQnp: string;
var
  Project: TLazProject;
  Dialog: TOpenDialog;
begin
  Result := '';
  Project := LazarusIDE.ActiveProject;
  if Project <> nil then begin
    Result := Project.CustomData[QnpDataKey];
    if (Result = '') and (Project.MainFile <> nil) then
      Result := ChangeFileExt(Project.MainFile.Filename, '.qnp');
    if (Result <> '') and FileExistsUTF8(Result) then exit;
  end;
  Result := '';
  Dialog := TOpenDialog.Create(nil);
  try
    Dialog.Title := 'Edit Quillon Project';
    Dialog.Filter := 'Quillon projects (*.qnp)|*.qnp|All files|*';
    if (Project <> nil) and (Project.MainFile <> nil) then
      Dialog.InitialDir := ExtractFilePath(Project.MainFile.Filename);
    if Dialog.Execute then
      Result := Dialog.FileName;
  finally
    Dialog.Free;
  end;
end;

procedure TQuillonActions.EditProject(Sender: TObject);
var
  Qnp: string;
  R: TQuillonWizardResult;
  Project: TLazProject;
begin
  Qnp := CurrentQnp;
  if Qnp = '' then exit;
  R := RunQuillonWizard(Qnp);
  if not Concluded(R) then exit;
  Project := LazarusIDE.ActiveProject;
  if (Project <> nil) and (CompareFilenames(Project.ProjectInfoFile, R.Lpi) = 0) then begin
    // The same project: its source changed on disk, show the new one
    // (reloaded where an editor shows it, else opened).
    if LazarusIDE.DoRevertEditorFile(R.Dpr) <> mrOk then
      LazarusIDE.DoOpenEditorFile(R.Dpr, -1, -1, [ofOnlyIfExists]);
    RememberQnp(R.Qnp);
  end else
    OpenGenerated(R);
end;

constructor TQuillonProjectDescriptor.Create;
begin
  inherited Create;
  Name := 'Quillon Web Extension';
end;

function TQuillonProjectDescriptor.GetLocalizedName: string;
begin
  Result := 'Quillon Web Extension';
end;

function TQuillonProjectDescriptor.GetLocalizedDescription: string;
begin
  Result := 'An ISAPI web extension library written by the Quillon wizard, '
    + 'with a Lazarus project that builds it and runs it in isapihost.';
end;

function TQuillonProjectDescriptor.DoInitDescriptor: TModalResult;
var
  R: TQuillonWizardResult;
begin
  Result := mrCancel;
  R := RunQuillonWizard('');
  if not Concluded(R) then exit;
  Actions.PendingLpi := R.Lpi;
  Actions.PendingQnp := R.Qnp;
  Application.QueueAsyncCall(@Actions.OpenPending, 0);
end;

procedure Register;
begin
  RegisterProjectDescriptor(TQuillonProjectDescriptor.Create);
  RegisterIDEMenuCommand(itmCustomTools, 'QuillonNewWebApplication',
    '&Quillon Web Application…', @Actions.NewApplication);
  RegisterIDEMenuCommand(itmCustomTools, 'QuillonEditProject',
    'Edit Quillon Project…', @Actions.EditProject);
end;

initialization
  Actions := TQuillonActions.Create;
finalization
  FreeAndNil(Actions);
end.
