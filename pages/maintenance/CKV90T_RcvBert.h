#pragma once
// Stand-in until this page is built.

#include <atomic>

#include "pages/StandInPage.h"

class CKV90T_RcvBert : public StandInPage {
public:
    CKV90T_RcvBert(CKV90T1_Comm*, int, QWidget* parent) : StandInPage("Rcv BERT", parent) {}

    // One flag per tester stream (unit x 2 + stream): the stream's status is polled while set.
    static std::atomic<int> s_bPollStream[6];

    // Nothing is polled while the page is hidden.
    void OnLeaving() override {
        for (auto& flag : s_bPollStream) {
            flag = 0;
        }
    }
};
