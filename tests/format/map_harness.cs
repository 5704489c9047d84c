// Runs the script's orvane_map.Validate over disk images: one case per line of the cases file,
// "image|sector|disk bytes|gpt|offset|extent" (further fields ignored), answered by "OK" or the
// refusal text, one line each.
// A first line "CRC" answers the CRC-32 of "123456789" in hexadecimal.
using System;
using System.IO;
using System.Text;

public static class MapHarness {
    public static int Main(string[] args) {
        foreach (string line in File.ReadAllLines(args[0])) {
            if (line == "CRC") {
                byte[] check = Encoding.ASCII.GetBytes("123456789");
                Console.WriteLine(orvane_map.Crc(check, 0, check.Length).ToString("X8"));
                continue;
            }
            string[] f = line.Split('|');
            try {
                using (FileStream s = File.OpenRead(f[0])) {
                    orvane_map.Validate(s, int.Parse(f[1]), long.Parse(f[2]), f[3] == "1", long.Parse(f[4]), long.Parse(f[5]));
                }
                Console.WriteLine("OK");
            } catch (Exception e) {
                Console.WriteLine(e.Message);
            }
        }
        return 0;
    }
}
