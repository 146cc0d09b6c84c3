#pragma once

#include <QString>

// The program's numbered texts (resources/strings.txt); empty for an unknown id.
QString LoadResString(unsigned id);
