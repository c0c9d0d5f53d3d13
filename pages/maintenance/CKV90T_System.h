#pragma once
// Stand-in until this page is built.

#include "pages/StandInPage.h"

class CKV90T_System : public StandInPage {
public:
    CKV90T_System(CKV90T1_Comm*, int, QWidget* parent) : StandInPage("System", parent) {}
};
