// Identifiers shared by the resource script and the program.
#pragma once

#define IDD_NAME_ENTRY 101
#define IDD_RANKING 102
#define IDI_KOBARU 103
#define IDC_NAME_FIELD 1000
