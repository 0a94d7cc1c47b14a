// SPDX-License-Identifier: GPL-3.0-or-later
#include "controltable.h"

#include <array>

namespace ui {

namespace {
constexpr QRgb Yellow = 0xFFFF00, Blue = 0x0000FF, Red = 0xFF0000, Cyan = 0x00FFFF, Teal = 0x00C0C0,
               Purple = 0xC000C0;
constexpr std::nullopt_t Default = std::nullopt;
using namespace flag;

// One row per control, in the order of the window from top to bottom.
// clang-format off
const std::array<ControlEntry, 25> Table = {{
    {"lblNum1", Kind::Label, "", {"Arial", 72, true}, Blue, Yellow, {2880, 120, 495, 1725},
     Border | Centred | AutoSize | Opaque, nullptr, "Numero da completare fino a dieci"},
    {"Label2", Kind::Label, "Il suo dorvo per arrivare a 10 è", {"Arial", 24}, Yellow, Default,
     {3600, 0, 6015, 2295}, Centred, nullptr, "Consegna"},
    {"lblNum2", Kind::Label, "", {"Arial", 48, true}, Blue, Yellow, {3960, 1680, 585, 825},
     Hidden | Border | Centred | AutoSize | Opaque, nullptr, "Non usato"},
    {"txtAnswer", Kind::TextBox, "", {"Arial", 72, true}, Blue, Yellow, {9720, 0, 3375, 1770}, 0,
     "Inserisci il risultato e  premi il tasto  Invio", "Scrivi qui la risposta"},
    {"Label11", Kind::Label, "Tempo restante", {"MS Sans Serif", 9.75}, Yellow, Default,
     {0, 1320, 1575, 375}, 0, nullptr, "Titolo dell'orologio"},
    {"Image1", Kind::Image, "", {}, Default, Default, {480, 1680, 480, 480}, 0,
     "Clicca sotto di me per impostare il Timer", "Cronometro"},
    {"lblconto", Kind::Label, "00.00.00", {"Arial Black", 12, true}, Yellow, Default,
     {0, 2280, 1575, 495}, Border, nullptr, "Tempo restante della gara"},
    {"lblMessage", Kind::Label, "", {"MS Sans Serif", 24, true, true}, Red, Default,
     {1680, 2040, 6615, 615}, Centred | IconPointer, nullptr, "Esito della risposta"},
    {"Label5", Kind::Label, "", {"MS Sans Serif", 24, true, true}, Red, Default,
     {2040, 2520, 6615, 615}, Centred | IconPointer, nullptr, "Non usato"},
    {"Label6", Kind::Label, "Risposte esatte", {"MS Sans Serif", 18}, Cyan, Default,
     {240, 3360, 2565, 495}, Border | Centred | AutoSize, nullptr, "Titolo delle risposte esatte"},
    {"Label1", Kind::Label, "Risposte errate", {"MS Sans Serif", 18}, Red, Default,
     {3840, 3360, 2520, 495}, Border | AutoSize, nullptr, "Titolo delle risposte errate"},
    {"Label3", Kind::Label, "Risposte totali", {"MS Sans Serif", 18}, Blue, Default,
     {7440, 3360, 2340, 495}, Border | AutoSize, nullptr, "Titolo delle risposte totali"},
    // The score in its title's cyan, not the default black: after a wrong answer the
    // window turns black, and a black score would vanish.
    {"lblScore", Kind::Label, "0", {"Times New Roman", 36, true}, Cyan, Default,
     {1080, 4080, 555, 885}, Border | Centred | AutoSize,
     "Questo è il tuo punteggio. Forza con il  record", "Risposte esatte: il punteggio"},
    {"lblScore1", Kind::Label, "0", {"Times New Roman", 36, true}, Red, Default,
     {4830, 4080, 540, 885}, Border | Centred | AutoSize, nullptr, "Risposte errate"},
    {"lblScore2", Kind::Label, "0", {"Times New Roman", 36, true}, Blue, Default,
     {8310, 4080, 555, 885}, Border | Centred | AutoSize, nullptr, "Risposte totali"},
    {"cmdNext", Kind::CommandButton, "&Nuovo calcolo", {"MS Sans Serif", 8.25, true}, Default,
     Teal, {4200, 5280, 1815, 1095}, Graphical | Disabled | IconPointer, "Go", "Nuovo calcolo",
     {"face-smile", "face-neutral", "face-laugh"}},
    {"Command1", Kind::CommandButton, "Command1", {}, Default, Default, {4680, 5640, 855, 615}, 0,
     nullptr, "Pulsante senza funzione"},
    {"cmdExit", Kind::CommandButton, "E&xit", {"MS Sans Serif", 8.25, true}, Default, Purple,
     {7680, 5280, 2055, 1095}, Graphical,
     "Ti prego resta ancora, forse riuscirai a farmi uscire ", "Esci dalla gara",
     {"no-entry", "no-entry", "no-entry"}},
    {"Label14", Kind::Label, "Sfidante", {"MS Sans Serif", 13.5}, Cyan, Default,
     {720, 5520, 1425, 420}, Border | Centred | AutoSize, nullptr, "Titolo del nome dello sfidante"},
    {"lblnome1", Kind::Label, "", {"MS Sans Serif", 13.5, true}, Cyan, Default,
     {240, 6480, 165, 420}, Border | AutoSize, nullptr, "Nome dello sfidante"},
    {"Label12", Kind::Label, "Il record  è di ", {"MS Sans Serif", 24}, Yellow, Default,
     {120, 7560, 3255, 615}, 0, nullptr, "Riga del record"},
    {"lblnome", Kind::Label, "nome", {"MS Sans Serif", 24, true}, Yellow, Default,
     {3120, 7560, 1275, 555}, AutoSize, nullptr, "Nome di chi detiene il record"},
    {"Label13", Kind::Label, "con punti", {"MS Sans Serif", 24}, Yellow, Default,
     {7680, 7560, 1965, 555}, AutoSize, nullptr, "Riga del record"},
    {"lblpunti", Kind::Label, "0", {"MS Sans Serif", 24}, Yellow, Default, {10080, 7560, 270, 555},
     AutoSize, nullptr, "Punti del record"},
    {"Timer1", Kind::Timer, "", {}, Default, Default, {}, 0, nullptr, nullptr},
}};
// clang-format on
} // namespace

std::span<const ControlEntry> controlTable()
{
    return Table;
}

} // namespace ui
