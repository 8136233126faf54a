#pragma once

#include <QIcon>
#include <QString>

// Icons and tool-bar images embedded in the program.

// The application icons "DEFAULT", "KORVEL", "KORVELEGG", "BRISCA" and "TOLVANE".
// The name is looked up ignoring case ("Brisca" finds "BRISCA"); an unknown name
// gives a null icon.
QIcon iconResource(const QString &name);

// The tool-bar image of a button, by the button's name ("tb_New", "tb_Open",
// "tb_Save", "tb_UpLoad", "tb_Program", "tb_ComSettings", "tb_Defaults", "tb_Help");
// null for an unknown name.
QIcon toolBarImage(const QString &buttonName);
