// Runs the script's orvane_map.Validate over disk images: one case per line of the cases file,
// "image|sector|disk bytes|gpt|offset|extent", answered by the image's name and "OK" or the
// refusal text, one line each.
using System;
using System.IO;

public static class MapHarness {
    public static void Main(string[] args) {
        foreach (string line in File.ReadAllLines(args[0])) {
            string[] f = line.Split('|');
            Console.Write(Path.GetFileName(f[0]) + ": ");
            try {
                using (FileStream s = File.OpenRead(f[0])) orvane_map.Validate(s, int.Parse(f[1]), long.Parse(f[2]), f[3] == "1", long.Parse(f[4]), long.Parse(f[5]));
                Console.WriteLine("OK");
            } catch (Exception e) { Console.WriteLine(e.Message); }
        }
    }
}
