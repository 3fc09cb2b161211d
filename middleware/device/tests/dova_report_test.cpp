#include "middleware/device/dova_report.h"

#include <gtest/gtest.h>

using tessel::device::DovaReport;

TEST(DovaReport, ChecksumCoversBytes3To88Only) {
    DovaReport r = DovaReport::readRequest(0x05, 0);
    r[20] = 0x5A;
    const std::uint8_t sum = r.computeChecksum();
    EXPECT_EQ(sum, 1 ^ 0x05 ^ 0x5A);
    for (std::size_t outside : {0, 1, 2, 89, 90}) {
        DovaReport changed = r;
        changed[outside] ^= 0xFF;
        EXPECT_EQ(changed.computeChecksum(), sum) << "byte " << outside;
    }
    for (std::size_t inside : {3, 4, 5, 8, 88}) {
        DovaReport changed = r;
        changed[inside] ^= 0x01;
        EXPECT_NE(changed.computeChecksum(), sum) << "byte " << inside;
    }
}

TEST(DovaReport, EndReportAndMakeWrite) {
    const DovaReport end = DovaReport::endReport();
    for (std::size_t i = 0; i < DovaReport::size; ++i)
        EXPECT_EQ(end[i], (i == 1 || i == 90) ? 1 : 0) << "byte " << i;

    DovaReport answer;
    answer.bytes.fill(0xEE);
    answer.makeWrite(56);
    EXPECT_EQ(answer[DovaReport::control], 1);
    EXPECT_EQ(answer[DovaReport::status], 0);
    EXPECT_EQ(answer[DovaReport::readFlag], 0);
    EXPECT_EQ(answer[DovaReport::param], 56);
    EXPECT_EQ(answer[DovaReport::trailer], 1);
    EXPECT_EQ(answer[DovaReport::data], 0xEE);  // data travels back unchanged
}
