#pragma once

#include "StringIds.h"

#include <QString>

// The program's texts (resources/strings.txt); empty for None or an id the table
// lacks, which only a number read from a file or built from a code can give.
QString LoadResString(TextId id);
