{ qnhttpprobe: runs one routine of the unit qnhttp on its argument and
  prints the result between brackets, for the unit's tests.

    qnhttpprobe prepare TEXT    PrepareString(TEXT)
    qnhttpprobe decode TEXT     UrlDecode(TEXT)
    qnhttpprobe parse TEXT      Parse(TEXT): one [name]=[value] per pair
    qnhttpprobe lookup TEXT N   the value of N after Parse, or the class
                                of the exception the lookup raises }
program qnhttpprobe;

{$MODE DELPHI}

uses SysUtils, Classes, qnhttp;

var
  Key, Val: TStringList;
  I: Integer;
  Found: string;

begin
  if ParamCount < 2 then
    Halt(2);
  if ParamStr(1) = 'prepare' then
    Write('[', PrepareString(ParamStr(2)), ']')
  else if ParamStr(1) = 'decode' then
    Write('[', UrlDecode(ParamStr(2)), ']')
  else
  begin
    Key := TStringList.Create;
    Val := TStringList.Create;
    try
      Parse(ParamStr(2), Key, Val);
      if ParamStr(1) = 'parse' then
        for I := 0 to Key.Count - 1 do
          Write('[', Key[I], ']=[', Val[I], ']')
      else
        try
          Found := Val[Key.IndexOf(ParamStr(3))];
          Write('[', Found, ']');
        except
          on E: Exception do
            Write(E.ClassName);
        end;
    finally
      Key.Free;
      Val.Free;
    end;
  end;
end.
