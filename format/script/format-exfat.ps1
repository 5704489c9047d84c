# Embedded by Orvane Varnolt. Expected* variables come from its reviewed target.
# This script is not a standalone CLI utility. It never accepts arbitrary command text.
#
# Runs elevated and hidden. Every check throws its failure text; the catch at the end shows it
# and exits with 2. Nothing is written before every check has passed twice.
# Comment and blank lines and all indentation are stripped before launch: keep every code line
# free of a leading "#", and keep here-string terminators on lines of their own.

function Fail([string]$m) { throw $m }

# The raw value of a Storage property, beneath the display names the module's types add.
function Raw($o, [string]$n) { $o.PSBase.CimInstanceProperties[$n].Value }

# Guid texts compared as GUIDs; a text that is no GUID never matches.
function SameGuid($a, $b) { try { [guid]"$a" -eq [guid]"$b" } catch { $false } }

# The volume serial, or nothing when it cannot be read.
function Serial {
    $s = [uint32]0; $x = [uint32]0; $f = [uint32]0
    if ([orvane_volume_identity]::Read($ExpectedVolume, $null, 0, [ref]$s, [ref]$x, [ref]$f, $null, 0)) { $s }
}

function Assert-FormatTarget($v, $p, $d, [string]$id, [uint32]$n, [uint32]$b, [char]$l) {
    if ($v.Count -ne 1 -or $d.Count -ne 1) { Fail 'Expected exactly one volume and one physical disk.' }
    if ($p.Count -ne 1) { Fail 'Expected exactly one ordinary disk partition for this volume.' }
    # An array has an IsReadOnly of its own: read the single elements only.
    $v = $v[0]; $p = $p[0]; $d = $d[0]
    if ($v.Path -ne $id -or $v.DriveLetter -ne $l) { Fail 'The reviewed volume identity or drive letter changed.' }
    if ($d.Number -ne $n -or [uint32](Raw $d BusType) -ne $b) { Fail 'The reviewed physical disk changed.' }
    if ($d.IsBoot -or $d.IsSystem -or $p.IsBoot -or $p.IsSystem) { Fail 'Windows boot and system disks are protected.' }
    if ($d.IsClustered -or $d.IsReadOnly -or $d.IsOffline) { Fail 'Clustered, offline and read-only disks are not supported.' }
    if (7, 12, 13 -notcontains $b) { Fail 'Only verified USB, SD and MMC storage can be formatted.' }
}

function Assert-ReviewedGeometry($v, $p, $d, $all) {
    if ([string]::IsNullOrWhiteSpace($ExpectedDeviceSerial) -or "$($d.SerialNumber)".Trim() -cne $ExpectedDeviceSerial.Trim()) { Fail 'Physical device serial changed or missing.' }
    $y = "$($d.PartitionStyle)"
    if ($d.Size -ne $ExpectedDiskBytes -or $v.Size -ne $ExpectedCapacity -or $p.Offset -ne $ExpectedOffset -or $p.Size -ne $ExpectedExtent -or $p.PartitionNumber -ne $ExpectedPartitionNumber -or $y -cne $ExpectedPartitionStyle) { Fail 'Reviewed capacity or partition geometry changed.' }
    if ('MBR', 'GPT' -cnotcontains $y -or $p.IsReadOnly -or $p.IsHidden -or $p.IsOffline) { Fail 'Unsupported partition layout or state.' }
    $g = $y -ceq 'GPT'
    if ($g) { $k = $p.GptType -eq '{ebd0a0a2-b9e5-4433-87c0-68b6b72699c7}' } else { $k = 7, 11, 12 -contains (Raw $p MbrType) }
    if (-not $k) { Fail 'Only ordinary data partitions are supported.' }
    if ([string]::IsNullOrWhiteSpace($ExpectedDiskId)) { $k = $false } elseif ($g) { $k = (SameGuid $d.Guid $ExpectedDiskId) -and (SameGuid $p.Guid $ExpectedPartitionId) } else { $k = "$(Raw $d Signature)" -ceq $ExpectedDiskId }
    if (-not $k) { Fail 'Disk or partition map identity changed or missing.' }
    # Ascending offsets with a running end: every partition inside the disk, none overlapping.
    $e = 0
    foreach ($q in @($all | Sort-Object Offset)) {
        $o = $q.Offset; $z = $q.Size
        if ($o -le 0 -or $z -le 0 -or $o -lt $e -or $o -ge $d.Size -or $z -gt $d.Size - $o) { Fail 'Invalid or overlapping partition map.' }
        $e = $o + $z
    }
    foreach ($r in $env:SystemRoot, $ExpectedAppPath) {
        $c = ([IO.Path]::GetPathRoot($r))[0]
        $h = @(Get-Partition -DriveLetter $c | Get-Disk)
        if ($h.Count -ne 1 -or $h[0].Number -eq $d.Number) { Fail 'Windows/application physical disks are protected.' }
    }
}

# Gathers the live objects afresh and checks them against the review; returns volume and disk.
function Test-Target {
    $v = @(Get-Volume -Path $ExpectedVolume)
    $p = @(Get-Partition | Where-Object { @($_.AccessPaths) -contains $ExpectedVolume })
    # Get-Disk without pipeline input would list every disk.
    $d = @(if ($p.Count) { $p | Get-Disk })
    Assert-FormatTarget $v $p $d $ExpectedVolume $ExpectedDiskNumber $ExpectedBusType $ExpectedDriveLetter
    Assert-ReviewedGeometry $v[0] $p[0] $d[0] @(Get-Partition -DiskNumber $ExpectedDiskNumber)
    @{ V = $v[0]; D = $d[0] }
}

function Invoke-ReviewedFormat($v, [uint32]$c) {
    if (0, 32768, 65536, 131072, 262144 -notcontains $c) { Fail 'Unsupported allocation unit size.' }
    if ($NewLabel -cnotmatch '^[A-Za-z0-9_][A-Za-z0-9 _-]{0,10}\z' -or $NewLabel.EndsWith(' ')) { Fail 'Invalid volume name: use 1-11 ASCII letters, digits, spaces, underscores or hyphens, without outer spaces or leading hyphen.' }
    # A quick format of exactly this volume object: no initialisation, no repartitioning, no forced dismount.
    $a = @{ InputObject = $v; FileSystem = 'exFAT'; NewFileSystemLabel = $NewLabel; Confirm = $false; ErrorAction = 'Stop' }
    if ($c) { $a.AllocationUnitSize = $c }
    $r = @(Format-Volume @a)
    if ($r.Count -ne 1 -or $r[0].FileSystem -ne 'exFAT') { Fail 'Windows did not report a completed exFAT format.' }
    $r = $r[0]
    if ($r.FileSystemLabel -cne $NewLabel -or -not ($r.AllocationUnitSize -gt 0)) { Fail 'Formatted label or allocation could not be verified; contents may have changed.' }
    if ($c -and $r.AllocationUnitSize -ne $c) { Fail 'Windows reported a different allocation unit size.' }
}

$ErrorActionPreference = 'Stop'
try {
    if (-not (Test-Path Variable:ExpectedVolume) -or $ExpectedVolume -cnotmatch '^\\\\\?\\Volume\{[0-9a-fA-F]{8}(-[0-9a-fA-F]{4}){3}-[0-9a-fA-F]{12}\}\\\z') { Fail 'Missing or invalid reviewed volume identity.' }

    # Only the system's own Storage module may load into this elevated process.
    $env:PSModulePath = Join-Path $PSHOME 'Modules'
    Import-Module (Join-Path $PSHOME 'Modules\Storage\Storage.psd1') -Force

    Add-Type -TypeDefinition @'
using System;using System.Runtime.InteropServices;using System.Text;
public static class orvane_volume_identity {
    [DllImport("kernel32.dll", EntryPoint = "GetVolumeInformationW", CharSet = CharSet.Unicode, SetLastError = true)]
    [return: MarshalAs(UnmanagedType.Bool)]
    public static extern bool Read(string root, StringBuilder label, int labelSize, out uint serial, out uint maxName, out uint flags, StringBuilder fs, int fsSize);
}
'@
    if ((Serial) -ne $ExpectedSerial) { Fail 'The volume serial changed after confirmation; formatting was refused.' }

    $t = Test-Target

    # orvane_map reads the raw partition map and checks it against the review. Validate takes any
    # stream (tests run it on image files); Check opens the physical drive read-only. Reads are
    # whole sectors, as a raw disk demands: buffer size 1 makes FileStream read straight through.
    # Integers on disk are little-endian; CRC-32 is the GPT one, computed bit by bit.
    Add-Type -TypeDefinition @'
using System;using System.IO;using System.Runtime.InteropServices;using System.Text;using Microsoft.Win32.SafeHandles;
public static class orvane_map {
    [DllImport("kernel32.dll", CharSet = CharSet.Unicode, SetLastError = true)]
    public static extern SafeFileHandle CreateFile(string n, uint a, uint s, IntPtr p, uint c, uint f, IntPtr t);
    static Exception E(string m) { return new Exception(m); }
    static long U(byte[] b, int o) { return (uint)(b[o] | b[o + 1] << 8 | b[o + 2] << 16 | b[o + 3] << 24); }
    static long L(byte[] b, int o) { return U(b, o) | U(b, o + 4) << 32; }
    static void G(int z, long y) { if (z < 512 || z > 4096 || y <= 0 || y % z != 0) throw E("Unsupported geometry"); }
    public static uint Crc(byte[] b, int s, int n) {
        uint c = 0xFFFFFFFF;
        for (int i = s; i < s + n; i++) { c ^= b[i]; for (int k = 0; k < 8; k++) c = (c & 1) != 0 ? c >> 1 ^ 0xEDB88320 : c >> 1; }
        return ~c;
    }
    public static byte[] Read(Stream s, long p, int n) {
        var b = new byte[n]; s.Seek(p, SeekOrigin.Begin);
        for (int g = 0, r; g < n; g += r) if ((r = s.Read(b, g, n - g)) <= 0) throw E("Short map read");
        return b;
    }
    public static void Check(uint d, int z, long y, bool gpt, long o, long x) {
        G(z, y);
        using (var h = CreateFile(@"\\.\PhysicalDrive" + d, 0x80000000, 3, IntPtr.Zero, 3, 0, IntPtr.Zero)) {
            if (h.IsInvalid) throw E("Cannot read raw partition map");
            using (var f = new FileStream(h, FileAccess.Read, 1)) Validate(f, z, y, gpt, o, x);
        }
    }
    public static void Validate(Stream s, int z, long y, bool gpt, long o, long x) {
        G(z, y);
        var m = Read(s, 0, z);
        if (m[510] != 0x55 || m[511] != 0xAA) throw E("Invalid MBR signature");
        if (!gpt) { Mbr(m, z, y, o, x); return; }
        if (m[450] != 0xEE) throw E("Missing protective MBR");
        if (m[466] != 0 || m[482] != 0 || m[498] != 0) throw E("Hybrid MBR refused");
        long last = y / z - 1, pf = 0, pl = 0;
        byte[] pt = null, pg = null;
        for (int h = 0; h < 2; h++) {
            long lba = h == 0 ? 1 : last;
            var d = Read(s, lba * z, z);
            if (Encoding.ASCII.GetString(d, 0, 8) != "EFI PART") throw E("GPT signature");
            int hs = (int)U(d, 12), n = (int)U(d, 80), tb = n * 128;
            if (hs < 92 || hs > z || L(d, 24) != lba || L(d, 32) != (h == 0 ? last : 1)) throw E("GPT header bounds");
            long crc = U(d, 16), f = L(d, 40), l = L(d, 48), a = L(d, 72);
            d[16] = d[17] = d[18] = d[19] = 0;
            if (Crc(d, 0, hs) != crc) throw E("GPT header CRC");
            if (f < 2 || l < f || l >= last || n < 1 || n > 128 || U(d, 84) != 128 || a < 2 || a > last - (tb + z - 1) / z) throw E("GPT table bounds");
            var t = Read(s, a * z, (tb + z - 1) / z * z);
            if (Crc(t, 0, tb) != U(d, 88)) throw E("GPT table CRC");
            Array.Resize(ref t, tb);
            var g = new byte[16]; Array.Copy(d, 56, g, 0, 16);
            if (h == 0) { pt = t; pf = f; pl = l; pg = g; }
            else if (f != pf || l != pl || !Same(g, pg) || !Same(t, pt)) throw E("GPT copies disagree");
            Gpt(t, n, z, f, l, o, x);
        }
    }
    static bool Same(byte[] a, byte[] b) {
        if (a.Length != b.Length) return false;
        for (int i = 0; i < a.Length; i++) if (a[i] != b[i]) return false;
        return true;
    }
    static void Mbr(byte[] m, int z, long y, long o, long x) {
        long[] sa = new long[4], ea = new long[4];
        int u = 0; bool k = false;
        for (int i = 0; i < 4; i++) {
            int e = 446 + i * 16, t = m[e + 4];
            long a = U(m, e + 8) * z, b = U(m, e + 12) * z;
            if (t == 0) { if (a != 0 || b != 0) throw E("Malformed MBR entry"); continue; }
            if (t == 5 || t == 15 || t == 133 || t == 238 || m[e] != 0) throw E("Unsupported MBR map");
            if (a <= 0 || b <= 0 || a + b > y) throw E("MBR bounds");
            for (int j = 0; j < u; j++) if (a < ea[j] && a + b > sa[j]) throw E("MBR overlap");
            sa[u] = a; ea[u++] = a + b; k |= a == o && b == x;
        }
        if (!k) throw E("Raw partition differs from review");
    }
    static void Gpt(byte[] t, int n, int z, long f, long l, long o, long x) {
        long[] sa = new long[n], ea = new long[n];
        int u = 0; bool k = false;
        for (int i = 0; i < n; i++) {
            int e = i * 128; bool used = false;
            for (int j = 0; j < 16; j++) used |= t[e + j] != 0;
            if (!used) continue;
            long a = L(t, e + 32), b = L(t, e + 40);
            if (a < f || b < a || b > l) throw E("GPT partition bounds");
            for (int j = 0; j < u; j++) if (a <= ea[j] && b >= sa[j]) throw E("GPT overlap");
            sa[u] = a; ea[u++] = b; k |= a * z == o && (b - a + 1) * z == x;
        }
        if (!k) throw E("Raw GPT differs from review");
    }
}
'@
    # Read-only, inside this elevated process, before anything is written.
    [orvane_map]::Check([uint32]$ExpectedDiskNumber, [int]$t.D.LogicalSectorSize, [long]$ExpectedDiskBytes, $ExpectedPartitionStyle -ceq 'GPT', [long]$ExpectedOffset, [long]$ExpectedExtent)

    # The last serial reading before the destructive call; only the repeated checks follow it.
    if ((Serial) -ne $ExpectedSerial) { Fail 'Volume identity changed; formatting was refused.' }
    $t = Test-Target

    Invoke-ReviewedFormat $t.V $AllocationUnitSize
    exit 0
} catch {
    # The check's own text: a failing .NET call arrives wrapped in the exception that reports it.
    function FailureText($x) { while ($x.InnerException) { $x = $x.InnerException }; $x.Message + ' If formatting was attempted, contents may have changed.' }
    $m = FailureText $_.Exception
    # The box must never keep the failure from reaching the exit code.
    try {
        Add-Type -AssemblyName System.Windows.Forms
        [void][System.Windows.Forms.MessageBox]::Show($m, 'Orvane Varnolt - Format failed', 'OK', 'Error')
    } catch {}
    exit 2
}
