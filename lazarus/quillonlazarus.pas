{ This file was automatically created by Lazarus. Do not edit!
  This source is only used to compile and install the package.
 }

unit QuillonLazarus;

{$warn 5023 off : no warning about unused units}
interface

uses
  QuillonLazReg, QuillonWizardRun, LazarusPackageIntf;

implementation

procedure Register;
begin
  RegisterUnit('QuillonLazReg', @QuillonLazReg.Register);
end;

initialization
  RegisterPackage('QuillonLazarus', @Register);
end.
