// Resource ids of the pictures the program carries.
#pragma once

#define IDI_VELMORA 1
#define IDC_HAND_POINTER 2
#define IDB_CARD 3
#define IDB_CARD_BW 4
// The print artwork's bands take this id and the ones after it (print/bands.rc).
#define IDR_CARD_3X_FIRST_BAND 100
// The black-and-white card's print artwork likewise (print/bands-bw.rc).
#define IDR_CARD_BW_3X_FIRST_BAND 200
