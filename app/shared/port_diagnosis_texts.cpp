#include "port_diagnosis_texts.h"

#include <algorithm>
#include <array>

namespace {

using Cause = TPortDiagnosis::Cause;
using Texts = std::array<const char*, 3>;  // Dutch, German, English

// %1 the group, the holder, the adapter or the system's reason; %2 the problem code.
struct CauseTexts {
  Cause cause;
  Texts texts;
};

// clang-format off
const CauseTexts kCauses[] = {
    {Cause::ClockAnswers, {"de klok antwoordt", "die Uhr antwortet", "the clock answers"}},
    {Cause::NotInGroup,
     {"geen toestemming: het apparaat hoort bij de groep %1, waarin u niet zit; sudo usermod -aG %1 $USER, "
      "daarna af- en weer aanmelden",
      "keine Berechtigung: das Gerät gehört der Gruppe %1, in der Sie nicht sind; sudo usermod -aG %1 $USER, "
      "danach ab- und wieder anmelden",
      "permission denied: the device belongs to the group %1, which you are not in; sudo usermod -aG %1 $USER, "
      "then log out and in"}},
    {Cause::GroupNotInLogin,
     {"geen toestemming: u zit in de groep %1, maar deze aanmelding nog niet; meld u af en weer aan",
      "keine Berechtigung: Sie sind in der Gruppe %1, diese Anmeldung aber noch nicht; melden Sie sich ab und "
      "wieder an",
      "permission denied: you are in the group %1, but this login is not yet; log out and in again"}},
    {Cause::PermissionDenied,
     {"geen toestemming: deze gebruiker mag het apparaat niet openen",
      "keine Berechtigung: dieser Benutzer darf das Gerät nicht öffnen",
      "permission denied: this user may not open the device"}},
    {Cause::HeldBy,
     {"in gebruik door %1; sluit dat programma", "belegt von %1; schließen Sie dieses Programm",
      "in use by %1; close that program"}},
    {Cause::HeldByModemManager,
     {"in gebruik door ModemManager (%1), dat nieuwe adapters als modem test; wacht even en probeer opnieuw, of "
      "stop het: sudo systemctl stop ModemManager",
      "belegt von ModemManager (%1), der neue Adapter als Modem prüft; warten Sie kurz und versuchen Sie es "
      "erneut, oder beenden Sie ihn: sudo systemctl stop ModemManager",
      "in use by ModemManager (%1), which probes new adapters as modems; wait a moment and try again, or stop "
      "it: sudo systemctl stop ModemManager"}},
    {Cause::HeldByBrltty,
     {"in gebruik door brltty (%1), dat CH340- en CP210x-adapters voor een brailleleesregel houdt; zonder "
      "brailleleesregel verwijderen: sudo apt remove brltty",
      "belegt von brltty (%1), das CH340- und CP210x-Adapter für eine Braillezeile hält; ohne Braillezeile "
      "entfernen: sudo apt remove brltty",
      "in use by brltty (%1), which takes CH340 and CP210x adapters for a braille display; without a braille "
      "display remove it: sudo apt remove brltty"}},
    {Cause::InUse,
     {"in gebruik door een ander programma; sluit het programma dat de poort gebruikt",
      "von einem anderen Programm belegt; schließen Sie das Programm, das den Port benutzt",
      "in use by another program; close the program that uses the port"}},
    {Cause::AdapterWithoutPort,
     {"een %1 is aangesloten, maar er is geen seriële poort achter: het stuurprogramma is niet geladen; dmesg "
      "toont waarom",
      "ein %1 ist angeschlossen, aber kein serieller Port gehört dazu: sein Treiber ist nicht geladen; dmesg "
      "zeigt, warum",
      "a %1 is connected, but no serial port is behind it: its driver is not loaded; dmesg shows why"}},
    {Cause::DriverMissing,
     {"een %1 is aangesloten, maar het stuurprogramma ontbreekt: Apparaatbeheer toont hem met probleemcode %2; "
      "installeer het stuurprogramma van de adapter",
      "ein %1 ist angeschlossen, aber sein Treiber fehlt: der Geräte-Manager zeigt ihn mit Problemcode %2; "
      "installieren Sie den Treiber des Adapters",
      "a %1 is connected, but its driver is missing: Device Manager shows it with problem code %2; install "
      "the adapter's driver"}},
    {Cause::BrlttyTookAdapter,
     {"een %1 is aangesloten, maar brltty nam hem voor een brailleleesregel; zonder brailleleesregel: sudo apt "
      "remove brltty, daarna de adapter opnieuw insteken",
      "ein %1 ist angeschlossen, aber brltty hat ihn für eine Braillezeile genommen; ohne Braillezeile: sudo "
      "apt remove brltty, danach den Adapter neu einstecken",
      "a %1 is connected, but brltty took it for a braille display; without a braille display: sudo apt "
      "remove brltty, then plug the adapter in again"}},
    {Cause::NoDevice,
     {"geen apparaat: er is geen USB-serieeladapter aangesloten; steek hem in, met een datakabel (een kabel "
      "die alleen laadt toont geen apparaat)",
      "kein Gerät: kein USB-Seriell-Adapter ist angeschlossen; stecken Sie ihn ein, mit einem Datenkabel (ein "
      "reines Ladekabel zeigt kein Gerät)",
      "no device: no USB serial adapter is connected; plug it in, with a data cable (a charge-only cable "
      "shows no device)"}},
    {Cause::NotASerialPort, {"%1; kies de poort van de klok", "%1; wählen Sie den Port der Uhr",
                             "%1; choose the clock's port"}},
    {Cause::NothingAnswered,
     {"geopend, maar niets antwoordde; controleer de kabel naar de klok en of de klok stroom heeft",
      "geöffnet, aber nichts antwortete; prüfen Sie das Kabel zur Uhr und ob die Uhr Strom hat",
      "opened, but nothing answered; check the clock's cable and that the clock has power"}},
    {Cause::HeldOpenToo,
     {"geopend, maar niets antwoordde; %1 heeft de poort ook open en kan de antwoorden van de klok wegnemen; "
      "sluit dat programma",
      "geöffnet, aber nichts antwortete; %1 hat den Port ebenfalls offen und kann der Uhr die Antworten "
      "wegnehmen; schließen Sie dieses Programm",
      "opened, but nothing answered; %1 holds the port open as well and may take the clock's replies; "
      "close that program"}},
    {Cause::NoClockHere,
     {"geopend; hier antwoordde geen klok", "geöffnet; hier antwortete keine Uhr",
      "opened; no clock answered here"}},
    {Cause::OtherDevice, {"%1", "%1", "%1"}},  // the talk's own words
    {Cause::Other, {"%1", "%1", "%1"}},
};

struct TalkTexts {
  TPortTalk talk;
  Texts texts;
};

const TalkTexts kTalks[] = {
    {TPortTalk::Gps,
     {"hier antwoordt een ander apparaat: het praat als een GPS-ontvanger",
      "hier antwortet ein anderes Gerät: es spricht wie ein GPS-Empfänger",
      "another device answers here: talks like a GPS receiver"}},
    {TPortTalk::Echo,
     {"hier antwoordt een ander apparaat: het herhaalt wat het gestuurd krijgt (een lusstekker of een modem)",
      "hier antwortet ein anderes Gerät: es wiederholt, was es erhält (ein Rückkopplungsstecker oder ein Modem)",
      "another device answers here: echoes what is sent to it (a loop-back plug or a modem)"}},
    {TPortTalk::Damaged,
     {"hier komen beschadigde tekens aan (een ander apparaat met een andere snelheid, of een slechte kabel)",
      "hier kommen beschädigte Zeichen an (ein anderes Gerät mit anderer Geschwindigkeit oder ein schlechtes "
      "Kabel)",
      "damaged characters arrive here (another device at another speed, or a bad cable)"}},
    {TPortTalk::ErrorReply,
     {"antwoordt alleen met een foutmelding; zet de klok uit en weer aan en probeer opnieuw",
      "antwortet nur mit einer Fehlermeldung; schalten Sie die Uhr aus und wieder ein und versuchen Sie es "
      "erneut",
      "answers only with an error reply; switch the clock off and on, and try again"}},
    {TPortTalk::CutShort,
     {"begon te antwoorden als de klok en viel toen stil; controleer de kabel naar de klok en de stroom",
      "begann wie die Uhr zu antworten und verstummte dann; prüfen Sie das Kabel zur Uhr und den Strom",
      "began to answer as the clock does, then fell silent; check the clock's cable and its power"}},
    {TPortTalk::Other,
     {"hier antwoordt een ander apparaat: het praat, maar niet als de klok",
      "hier antwortet ein anderes Gerät: es spricht, aber nicht wie die Uhr",
      "another device answers here: talks, but not as the clock does"}},
};

const Texts kCheckTitle{"Verbindingscontrole, per poort:", "Verbindungsprüfung, je Port:",
                        "Connection check, port by port:"};
const Texts kCheckItem{"&Verbindingscontrole…", "&Verbindungsprüfung…", "&Connection check…"};
const Texts kNoSerialPort{"geen seriële poort", "kein serieller Port", "no serial port"};
const Texts kAdapter{"USB-serieeladapter van %1 (USB %2)", "USB-Seriell-Adapter von %1 (USB %2)",
                     "USB serial adapter by %1 (USB %2)"};
// clang-format on

QString pick(const Texts& texts, int language) {
  return QString::fromUtf8(texts[static_cast<std::size_t>(std::clamp(language, 0, 2))]);
}

QString holder(const TPortDiagnosis& diagnosis) {
  const QString pid = QStringLiteral("PID %1").arg(diagnosis.pid);
  if ((diagnosis.cause != Cause::HeldBy && diagnosis.cause != Cause::HeldOpenToo) || diagnosis.program.empty())
    return pid;
  return QStringLiteral("%1 (%2)").arg(QString::fromStdString(diagnosis.program), pid);
}

// What stands for %1 in the cause's text.
QString firstArgument(const TPortDiagnosis& diagnosis, int language) {
  switch (diagnosis.cause) {
    case Cause::NotInGroup:
    case Cause::GroupNotInLogin:
      return QString::fromStdString(diagnosis.group);
    case Cause::HeldBy:
    case Cause::HeldOpenToo:
    case Cause::HeldByModemManager:
    case Cause::HeldByBrltty:
      return holder(diagnosis);
    case Cause::AdapterWithoutPort:
    case Cause::DriverMissing:
    case Cause::BrlttyTookAdapter:
      return pick(kAdapter, language).arg(QString::fromStdString(diagnosis.adapter.kind),
                                          QString::fromStdString(diagnosis.adapter.usbId));
    case Cause::OtherDevice:
      for (const TalkTexts& talk : kTalks)
        if (talk.talk == diagnosis.talk) return pick(talk.texts, language);
      return pick(kTalks[std::size(kTalks) - 1].texts, language);
    default:
      return QString::fromStdString(diagnosis.detail);
  }
}

}  // namespace

QString diagnosisText(const TPortDiagnosis& diagnosis, int language) {
  const auto row = std::find_if(std::begin(kCauses), std::end(kCauses),
                                [&](const CauseTexts& c) { return c.cause == diagnosis.cause; });
  if (row == std::end(kCauses)) return {};
  QString text = pick(row->texts, language);
  if (text.contains(QLatin1String("%1"))) text = text.arg(firstArgument(diagnosis, language));
  if (text.contains(QLatin1String("%2"))) text = text.arg(diagnosis.adapter.problem);
  return text;
}

QString diagnosisLine(const QString& port, const TPortDiagnosis& diagnosis, int language) {
  return port + QStringLiteral(": ") + diagnosisText(diagnosis, language);
}

QString noSerialPortText(int language) { return pick(kNoSerialPort, language); }
QString connectionCheckTitle(int language) { return pick(kCheckTitle, language); }
QString connectionCheckItemText(int language) { return pick(kCheckItem, language); }
