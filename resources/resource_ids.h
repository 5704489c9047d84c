#pragma once
// Resource ids shared by the resource script and the code (the script's preprocessor reads it).

#define IDI_APPLICATION_ICON 101
