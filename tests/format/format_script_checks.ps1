# The format script and two launch commands composed from it, as PowerShell reads them; stops with
# exit code 1 at the first failed check. $Work holds mbr.command, gpt.command and serial.txt (their device serial).
param([Parameter(Mandatory)][string]$Script, [Parameter(Mandatory)][string]$Work)
$ErrorActionPreference = 'Stop'
$PSStyle.OutputRendering = 'PlainText'
function Check([string]$what, [bool]$ok, [string]$detail) { if (-not $ok) { throw "FAIL $what$(if ($detail) { ": $detail" })" } }
function Same([string]$what, $actual, $expected) { Check $what ("$actual" -ceq "$expected") "got [$actual], expected [$expected]" }
function Find($source, [scriptblock]$test) { @($source.Ast.FindAll($test, $true)) }
function Read-Source([string]$name, [string]$text) {
    $tokens = $null; $errors = $null
    $ast = [System.Management.Automation.Language.Parser]::ParseInput($text, [ref]$tokens, [ref]$errors)
    Check "$name parses" ($errors.Count -eq 0) (($errors | ForEach-Object { "line $($_.Extent.StartLineNumber): $($_.Message)" }) -join '; ')
    [pscustomobject]@{ Name = $name; Ast = $ast; Tokens = $tokens }
}
# The code as tokens, blind to what compaction may drop: comments, blank lines, indentation.
function Code-Of($source) {
    $lastWasNewLine = $true
    foreach ($t in $source.Tokens) {
        if ($t.Kind -eq 'Comment' -or ($t.Kind -eq 'NewLine' -and $lastWasNewLine)) { continue }
        $lastWasNewLine = $t.Kind -eq 'NewLine'
        if ($t.Kind -eq 'HereStringLiteral') { 'here:' + (($t.Value -split '\r?\n' | ForEach-Object { $_.TrimStart(" `t") }) -join "`n") } else { "$($t.Kind):$($t.Text)" }
    }
}

# 1. The file and the decoded launch commands parse; the commands end in the file's code.
$file = Read-Source 'format-exfat.ps1' ([IO.File]::ReadAllText($Script))
$commands = foreach ($style in 'mbr', 'gpt') {
    $line = [IO.File]::ReadAllText((Join-Path $Work "$style.command"))
    Read-Source "$style command" ([Text.Encoding]::Unicode.GetString([Convert]::FromBase64String(($line -split ' ')[-1])))
}
$fileCode = @(Code-Of $file) -join "`n"
foreach ($c in $commands) { Check "$($c.Name) carries the file's code unchanged" ((@(Code-Of $c) -join "`n").EndsWith("`n$fileCode")) }

# 2. The parameter block defines exactly the variables the script reads and never assigns.
$automatic = @('_') + [powershell]::Create().AddScript('(Get-Variable).Name').Invoke()
$assigned = @((Find $file { $args[0] -is [System.Management.Automation.Language.AssignmentStatementAst] }).Left | ForEach-Object { $_.FindAll({ $args[0] -is [System.Management.Automation.Language.VariableExpressionAst] }, $true).VariablePath.UserPath }) +
    (Find $file { $args[0] -is [System.Management.Automation.Language.ParameterAst] }).Name.VariablePath.UserPath + (Find $file { $args[0] -is [System.Management.Automation.Language.ForEachStatementAst] }).Variable.VariablePath.UserPath
$read = Find $file { $args[0] -is [System.Management.Automation.Language.VariableExpressionAst] } |
    Where-Object { -not $_.VariablePath.IsDriveQualified } | ForEach-Object { $_.VariablePath.UserPath } |
    Where-Object { $assigned -notcontains $_ -and $automatic -notcontains $_ } | Sort-Object -Unique
$serial = [IO.File]::ReadAllText((Join-Path $Work 'serial.txt'))
foreach ($c in $commands) {
    $block = @($c.Ast.EndBlock.Statements)[0..($c.Ast.EndBlock.Statements.Count - $file.Ast.EndBlock.Statements.Count - 1)]
    $defined = @($block | ForEach-Object { $_.Left.VariablePath.UserPath } | Sort-Object -Unique)
    Check "$($c.Name) block holds assignments only" (@($block | Where-Object { $_ -isnot [System.Management.Automation.Language.AssignmentStatementAst] -or $_.Left -isnot [System.Management.Automation.Language.VariableExpressionAst] }).Count -eq 0)
    Same "$($c.Name) block defines what the script reads" ($defined -join ' ') ($read -join ' ')
    # The block runs before the script's own failure handling: it must evaluate cleanly.
    $values = & { foreach ($s in $block) { $null = . ([scriptblock]::Create($s.Extent.Text)) }; Get-Variable -Scope 0 | Where-Object Name -In $defined }
    Same "$($c.Name) block evaluates every variable" $values.Count $defined.Count
    Same "$($c.Name) device serial survives its encoding" ($values | Where-Object Name -EQ 'ExpectedDeviceSerial').Value $serial
}

# 3. Nothing that Windows PowerShell 5.1 (powershell.exe) cannot parse or would read differently.
# Chains, ternaries, ?. ?[] ??, clean blocks, background &, generic calls, -replace { }, `u{}, 1u.
$newerNode = { param($n) $n.GetType().Name -in 'PipelineChainAst', 'TernaryExpressionAst' -or $n.NullConditional -or $n.CleanBlock -or $n.Background -or $n.GenericTypeArguments.Count -or
    ($n.Operator -in 'Ireplace', 'Creplace' -and $n.Right.Find({ $args[0] -is [System.Management.Automation.Language.ScriptBlockExpressionAst] }, $false)) }
$newerTokens = 'AndAnd', 'OrOr', 'QuestionMark', 'QuestionQuestion', 'QuestionQuestionEquals', 'QuestionDot', 'QuestionLBracket', 'Clean'
foreach ($s in @($file) + $commands) {
    $hits = @($s.Ast.FindAll({ & $newerNode $args[0] }, $true) | ForEach-Object { "$($_.GetType().Name) line $($_.Extent.StartLineNumber)" })
    $hits += @($s.Tokens | Where-Object {
            $newerTokens -contains $_.Kind -or
            ($_.Kind -eq 'Number' -and $_.Text -notmatch '^(0x[0-9a-f]+|[0-9]*\.?[0-9]+(e[+-]?[0-9]+)?)(l|d)?(kb|mb|gb|tb|pb)?$') -or
            ($_.Kind -eq 'StringExpandable' -and $_.Text -match '`u\{') } | ForEach-Object { "$($_.Kind) '$($_.Text)' line $($_.Extent.StartLineNumber)" })
    Check "$($s.Name) has no 7.x syntax" ($hits.Count -eq 0) ($hits -join ', ')
}

# 4. The script's C# and functions, as the MBR command carries them, with disk cmdlets stood in for.
foreach ($cs in Find $commands[0] { $args[0].StringConstantType -eq 'SingleQuotedHereString' }) { Add-Type -TypeDefinition $cs.Value }
foreach ($f in Find $commands[0] { $args[0] -is [System.Management.Automation.Language.FunctionDefinitionAst] }) { . ([scriptblock]::Create($f.Extent.Text)) }
Add-Type -TypeDefinition @'
using System.Collections.Generic;
// A Storage object's raw values, beneath the display values its type adds.
public class FakeCimValue { public object Value; }
public class FakeCim { public Dictionary<string, FakeCimValue> CimInstanceProperties = new Dictionary<string, FakeCimValue>(); }
'@
function New-Cim([hashtable]$display, [hashtable]$raw) {
    $o = [FakeCim]::new()
    foreach ($k in $raw.Keys) { $o.CimInstanceProperties[$k] = [FakeCimValue]@{ Value = $raw[$k] } }
    foreach ($k in $display.Keys) { Add-Member -InputObject $o -NotePropertyName $k -NotePropertyValue $display[$k] }
    $o
}
$gptDiskId = '{FEDCBA98-7654-3210-FEDC-BA9876543210}'; $ExpectedVolume = '\\?\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}\'; $ExpectedDeviceSerial = '4C530001'
$ExpectedDiskBytes = 64GB; $ExpectedCapacity = 63GB; $ExpectedOffset = 16MB; $ExpectedExtent = 63GB + 1MB
$ExpectedPartitionNumber = 2; $ExpectedPartitionId = '{01234567-89AB-CDEF-0123-456789ABCDEF}'; $ExpectedAppPath = 'D:\'
$SystemDisks = @([pscustomobject]@{ Number = 0 }); $env:SystemRoot = 'C:\Windows'
function Get-Partition { param($DriveLetter) [pscustomobject]@{ DriveLetter = $DriveLetter } }
function Get-Disk { process { $SystemDisks } }
$script:formats = 0
function Format-Volume {
    [CmdletBinding(SupportsShouldProcess)] param($InputObject, $FileSystem, $NewFileSystemLabel, $AllocationUnitSize)
    $script:formats++
    $FormatResult
}

# A target that matches the expectations in scope; $style picks the partition map.
function New-Target {
    $gpt = $ExpectedPartitionStyle -eq 'GPT'
    $v = New-Cim @{ Path = $ExpectedVolume; DriveLetter = [char]'F'; Size = $ExpectedCapacity } @{}
    $p = New-Cim @{ Offset = $ExpectedOffset; Size = $ExpectedExtent; PartitionNumber = $ExpectedPartitionNumber; IsBoot = $false; IsSystem = $false; IsReadOnly = $false; IsHidden = $false; IsOffline = $false
        GptType = $(if ($gpt) { '{EBD0A0A2-B9E5-4433-87C0-68B6B72699C7}' }); Guid = $(if ($gpt) { $ExpectedPartitionId.ToLower() }); MbrType = 'IFS'
    } @{ MbrType = [uint16]$(if ($gpt) { 0 } else { 7 }) }
    $d = New-Cim @{ Number = 3; IsBoot = $false; IsSystem = $false; IsClustered = $false; IsReadOnly = $false; IsOffline = $false; BusType = 'USB'
        SerialNumber = " $ExpectedDeviceSerial "; PartitionStyle = $ExpectedPartitionStyle; Size = $ExpectedDiskBytes; Guid = $(if ($gpt) { $ExpectedDiskId.Trim('{}') })
    } @{ BusType = [uint16]7; Signature = [uint32]$(if ($gpt) { 0 } else { $ExpectedDiskId }) }
    $first = [pscustomobject]@{ Offset = 1MB; Size = 15MB }
    @{ V = $v; P = $p; D = $d; All = @($p, $first) }
}

# Runs a case against a fresh target; answers OK or the failure text, marked when it formatted.
function Outcome([string]$style, [scriptblock]$case) {
    $ExpectedPartitionStyle = $style
    $ExpectedDiskId = if ($style -eq 'GPT') { $gptDiskId } else { '305419896' }
    $t = New-Target
    $before = $script:formats
    $answer = try { $null = & $case; 'OK' } catch { $_.Exception.Message }
    "$answer$(if ($script:formats -ne $before) { ' [formatted]' })"
}
function Identity { Assert-FormatTarget @($t.V) @($t.P) @($t.D) $ExpectedVolume 3 7 'F' }
function Geometry { Assert-ReviewedGeometry $t.V $t.P $t.D $t.All }
function Fmt($size, $label, $result) { $NewLabel = $label; $FormatResult = $result; Invoke-ReviewedFormat $t.V $size }
# One case per refusal; each is the first rule the case breaks, so the rules before it pass.
$cases = @(
    , @('GPT', 'identity: two volumes', { $t.V = @($t.V, $t.V); Identity }, 'Expected exactly one volume and one physical disk.')
    , @('GPT', 'identity: no partition', { Assert-FormatTarget @($t.V) @() @($t.D) $ExpectedVolume 3 7 'F' }, 'Expected exactly one ordinary disk partition for this volume.')
    , @('GPT', 'identity: other letter', { $t.V.DriveLetter = [char]'G'; Identity }, 'The reviewed volume identity or drive letter changed.')
    , @('GPT', 'identity: raw bus differs', { $t.D.PSBase.CimInstanceProperties['BusType'].Value = [uint16]12; Identity }, 'The reviewed physical disk changed.')
    , @('GPT', 'identity: system partition', { $t.P.IsSystem = $true; Identity }, 'Windows boot and system disks are protected.')
    , @('GPT', 'identity: offline disk', { $t.D.IsOffline = $true; Identity }, 'Clustered, offline and read-only disks are not supported.')
    , @('GPT', 'identity: SATA bus', { $t.D.PSBase.CimInstanceProperties['BusType'].Value = [uint16]11; Assert-FormatTarget @($t.V) @($t.P) @($t.D) $ExpectedVolume 3 11 'F' }, 'Only verified USB, SD and MMC storage can be formatted.')
    , @('GPT', 'geometry: serial case differs', { $t.D.SerialNumber = '4c530001'; Geometry }, 'Physical device serial changed or missing.')
    , @('GPT', 'geometry: extent', { $t.P.Size -= 512; Geometry }, 'Reviewed capacity or partition geometry changed.')
    , @('RAW', 'geometry: raw disk', { Geometry }, 'Unsupported partition layout or state.')
    , @('MBR', 'geometry: raw MBR type FAT16', { $t.P.PSBase.CimInstanceProperties['MbrType'].Value = [uint16]6; Geometry }, 'Only ordinary data partitions are supported.')
    , @('GPT', 'geometry: disk GUID differs', { $t.D.Guid = '{FEDCBA98-7654-3210-FEDC-BA9876543211}'; Geometry }, 'Disk or partition map identity changed or missing.')
    , @('GPT', 'geometry: partitions overlap by a byte', { $t.All[1].Size = 15MB + 1; Geometry }, 'Invalid or overlapping partition map.')
    , @('GPT', 'geometry: Windows disk unknown', { $SystemDisks = @(); Geometry }, 'Windows/application physical disks are protected.')
    , @('GPT', 'format: 4 KiB refused first', { Fmt 4096 'DATA' }, 'Unsupported allocation unit size.')
    , @('GPT', 'format: leading hyphen', { Fmt 0 '-DATA' }, 'Invalid volume name: use 1-11 ASCII letters, digits, spaces, underscores or hyphens, without outer spaces or leading hyphen.')
    , @('GPT', 'format: nothing reported', { Fmt 0 'DATA' @() }, 'Windows did not report a completed exFAT format. [formatted]')
    , @('GPT', 'format: label case differs', { Fmt 0 'DATA' @([pscustomobject]@{ FileSystem = 'exFAT'; FileSystemLabel = 'data'; AllocationUnitSize = 4096 }) }, 'Formatted label or allocation could not be verified; contents may have changed. [formatted]')
    , @('GPT', 'format: other size', { Fmt 65536 'DATA' @([pscustomobject]@{ FileSystem = 'exFAT'; FileSystemLabel = 'DATA'; AllocationUnitSize = 32768 }) }, 'Windows reported a different allocation unit size. [formatted]')
)
foreach ($c in $cases) { Same $c[1] (Outcome $c[0] $c[2]) $c[3] }

# The failure box shows the check's own text, also when a .NET call wraps it.
$wrapped = try { [orvane_map]::Validate([IO.MemoryStream]::new([byte[]]::new(512)), 512, 512, $false, 0, 512) } catch { $_.Exception }
Same 'box text of a .NET call' (FailureText $wrapped) 'Invalid MBR signature If formatting was attempted, contents may have changed.'

Write-Host "PowerShell $($PSVersionTable.PSVersion): all checks passed"
