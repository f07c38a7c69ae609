#pragma once
// Small helpers shared by the unit tests.

#include <cstdint>
#include <string>
#include <vector>

#include "error_of.h"
#include "fake/fake_runtime.h"

// The error numbers of the reports shown, in order.
inline std::vector<int> ReportedNumbers(const fake::FakeRuntime& rt) {
    std::vector<int> numbers;
    const std::u16string head = u"エラー番号:";
    for (const auto& prompt : rt.prompts) {
        if (prompt.rfind(head, 0) != 0) continue;
        int n = 0;
        for (auto i = head.size(); i < prompt.size() && prompt[i] >= u'0' && prompt[i] <= u'9';
             ++i) {
            n = n * 10 + (prompt[i] - u'0');
        }
        numbers.push_back(n);
    }
    return numbers;
}

// The log line of an error report.
inline const std::string kReportLine = "MsgBox 0x1040 エラー - Orbek";
