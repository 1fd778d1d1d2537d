// Resource ids of the pictures the program carries.
#pragma once

#define IDI_VELMORA 1
#define IDC_HAND_POINTER 2
#define IDB_CARD 3
