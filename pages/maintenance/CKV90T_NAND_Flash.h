#pragma once
// Stand-in until this page is built.

#include "pages/StandInPage.h"

class CKV90T_NAND_Flash : public StandInPage {
public:
    CKV90T_NAND_Flash(CKV90T1_Comm*, int, QWidget* parent) : StandInPage("NAND Flash", parent) {}
};
