// The examples under each command's help. A command that is not built (or
// not yet added) simply has none shown.
#pragma once

#include <map>
#include <string>

namespace cli {

inline const std::map<std::string, std::string> kExamples = {
    {"divide",
     "  podzial-cli divide --table /baza/opisy.dbf --data /baza/opisy.dat --field OpisTop\n"
     "  podzial-cli divide --table opisy.dbf --data opisy.dat --field OpisTop --max-mb 100 "
     "--delete-old\n"
     "  podzial-cli plan divide --table opisy.dbf --data opisy.dat --field OpisTop  "
     "# najpierw próba\n"},
    {"preset",
     "  podzial-cli preset tolm /mnt/baza\n"
     "  podzial-cli preset kadmor /mnt/kadmor --max-mb 650 --yes\n"
     "  podzial-cli preset wertal /mnt/wertal --delete-old --json\n"},
    {"plan",
     "  podzial-cli plan divide --table opisy.dbf --data opisy.dat --field OpisTop --max-mb 100\n"
     "  podzial-cli plan preset tolm /mnt/baza --json\n"},
    {"plan divide",
     "  podzial-cli plan divide --table opisy.dbf --data opisy.dat --field OpisTop --max-mb 100\n"},
    {"plan preset", "  podzial-cli plan preset kadmor /mnt/kadmor --yes\n"},
    {"restore",
     "  podzial-cli restore /baza/old4821 --dry-run   # pokazuje, co zostanie przeniesione\n"
     "  podzial-cli restore /baza/old4821\n"},
    {"backups",
     "  podzial-cli backups /baza          # kopie od najnowszej\n"
     "  podzial-cli backups /baza --json\n"},
    {"recover", "  podzial-cli recover /baza        # kończy lub cofa przerwaną zamianę plików\n"},
    {"probe", "  podzial-cli probe /baza/opisy.dat\n"},
    {"new", "  podzial-cli new opisy.dat --max-mb 650\n"},
    {"put", "  podzial-cli put opisy.dat rekord.txt\n  echo tekst | podzial-cli put opisy.dat\n"},
    {"cat", "  podzial-cli cat opisy.dat 0000002A > rekord.txt\n"},
    {"info", "  podzial-cli info /baza/opisy.dat\n"},
    {"check", "  podzial-cli check /baza/opisy.dat\n"},
    {"fields", "  podzial-cli fields /baza/opisy.dbf\n"},
    {"verify",
     "  podzial-cli verify --table /baza/opisy.dbf --data /baza/opisy.dat --field OpisTop\n"
     "  podzial-cli verify --table opisy.dbf --data opisy.dat --field OpisTop --json\n"},
    {"help", "  podzial-cli help divide\n"},
};

}  // namespace cli
