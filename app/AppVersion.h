#pragma once

// The program's version, as the About box shows it and the application reports it.
inline constexpr char kAppVersion[] = "4.3.0";
