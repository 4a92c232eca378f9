{ The HTML Help compiler that Quillcraft runs: compiles one .hhp project set
  into the compiled help file that the set names, with Free Pascal's chm
  units (which the build copies and patches; see CMakeLists.txt beside this
  file).

  Usage: qc_chmc PROJECT.hhp

  It writes, one a line on standard output, "Writing CHM <file>" before it
  writes the file, and each problem as "Error: ...", "Warning: ..." or
  "Note: ...". An error that the units report (a page they cannot parse, an
  anchor no page holds) still leaves a compiled file; the caller decides
  what it means. The exit code is 0 when the compiled file was written and 1
  when it was not (no project file, a project file that cannot be read, a
  file that cannot be written); a file cut short is removed. }
program qc_chmc;

{$mode objfpc}{$H+}

uses
  {$ifdef unix}cthreads, cwstring,{$endif}
  Classes, SysUtils, chmfilewriter;

// Notes of more detail than this are left out; errors and warnings are all
// reported.
const
  Verbosity = 0;
  // Kept as the packaged compiler writes it, so that both give the same file.
  ReadmeText = 'Compiled by CHMCmd 3.2.2';

procedure Report(Project: TChmProject; Kind: TChmProjectErrorKind; Msg: String; DetailLevel: Integer = 0);
begin
  if (Kind = chmnote) and (DetailLevel > Verbosity) then
    Exit;
  if Kind = chmnone then
    WriteLn(Msg)
  else
    WriteLn(ChmErrorKindText[Kind], ': ', Msg);
  Flush(Output);
end;

procedure Fail(const Msg: String);
begin
  WriteLn('Error: ', Msg);
  Halt(1);
end;

var
  ProjectFile, OutputFile: String;
  Project: TChmProject;
  Stream: TFileStream;
begin
  if ParamCount <> 1 then
    Fail('usage: qc_chmc PROJECT.hhp');
  ProjectFile := ParamStr(1);
  if not FileExists(ProjectFile) then
    Fail('Cannot find the project file "' + ProjectFile + '".');

  Project := TChmProject.Create;
  Project.OnError := @Report;
  try
    Project.LoadFromhhp(ProjectFile, False);
  except
    on E: Exception do
      Fail('The project file "' + ProjectFile + '" cannot be read: ' + E.Message);
  end;
  Project.ReadmeMessage := ReadmeText;

  // The compiled file's name is relative to the project file's folder;
  // messages give it as the project file does.
  if Project.OutputFileName = '' then
    Project.OutputFileName := ChangeFileExt(ExtractFileName(ProjectFile), '.chm');
  OutputFile := Project.OutputFileName;
  if OutputFile[1] <> PathDelim then
    OutputFile := Project.ProjectDir + OutputFile;

  try
    Stream := TFileStream.Create(OutputFile, fmCreate);
    try
      Project.WriteChm(Stream);
    finally
      Stream.Free;
    end;
  except
    on E: Exception do
    begin
      if FileExists(OutputFile) then
        DeleteFile(OutputFile);
      Fail('Writing "' + Project.OutputFileName + '" failed: ' + E.Message);
    end;
  end;
  if Project.ScanHtmlContents then
    Project.ShowUndefinedAnchors;
  Project.Free;
end.
