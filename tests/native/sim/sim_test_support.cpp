#include "sim_test_support.h"

#include <gtest/gtest.h>

#include "sim/csr9_master.h"

namespace simtest {

bool VectorDma::Reaches(uint32_t address, uint32_t length) const {
  return address >= base_ && uint64_t(address) + length <= uint64_t(base_) + memory_.size();
}

bool VectorDma::DmaRead(uint32_t address, void* dst, uint32_t length) {
  if (!Reaches(address, length)) return false;
  std::memcpy(dst, &memory_[address - base_], length);
  return true;
}

bool VectorDma::DmaWrite(uint32_t address, const void* src, uint32_t length) {
  if (!Reaches(address, length)) return false;
  std::memcpy(&memory_[address - base_], src, length);
  return true;
}

uint32_t VectorDma::Get32(uint32_t address) const {
  const uint8_t* p = &memory_[address - base_];
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void VectorDma::Put32(uint32_t address, uint32_t value) {
  uint8_t* p = &memory_[address - base_];
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(value >> (8 * i));
}

uint16_t EepromReadWord(sim::Board& board, uint32_t address, uint32_t select) {
  return sim::Csr9Master<sim::Board>(board, nullptr, select).SromWord(address);
}

uint16_t MiiRead(sim::Board& board, uint32_t reg) { return sim::Csr9Master<sim::Board>(board).MiiRead(1, reg); }

void MiiWrite(sim::Board& board, uint32_t reg, uint16_t value) {
  sim::Csr9Master<sim::Board>(board).MiiWrite(1, reg, value);
}

std::vector<uint8_t> MakeFrame(const uint8_t dst[6], uint32_t length, uint8_t fill) {
  std::vector<uint8_t> frame(length, fill);
  std::copy(dst, dst + 6, frame.begin());
  const uint8_t src[6] = {0x02, 0, 0, 0, 0, 0x01};
  std::copy(src, src + 6, frame.begin() + 6);
  frame[12] = 0x08;
  frame[13] = 0x00;
  for (uint32_t i = 14; i < length; ++i) frame[i] = uint8_t(fill + i);
  return frame;
}

std::vector<uint8_t> SetupFrame(const std::vector<std::array<uint8_t, 6>>& addresses) {
  std::vector<uint8_t> setup(192, 0);
  for (uint32_t k = 0; k < 16; ++k) {
    const auto& a = addresses[k < addresses.size() ? k : 0];
    for (uint32_t j = 0; j < 3; ++j) {
      setup[4 * (3 * k + j)] = a[2 * j];
      setup[4 * (3 * k + j) + 1] = a[2 * j + 1];
    }
  }
  return setup;
}

Rig::Rig(sim::BoardConfig config, sim::Wire::Pace pace) {
  board = std::make_unique<sim::Board>(clock, dma, config);
  wire = std::make_unique<sim::Wire>(clock, *board, peer, pace);
  board->WritePciConfig(0x04, board->ReadPciConfig(0x04) | 6);
  board->WriteCsr(kCsr(6), config.phy == sim::PhyModel::kNone ? 0x02000000 : 0x02040000);
}

sim::BoardConfig WithProfile(const char* name, sim::PhyModel phy) {
  sim::BoardConfig config;
  config.phy = phy;
  EXPECT_TRUE(sim::BoardProfile::Named(name, &config.profile)) << name;
  return config;
}

ReceiveRig::ReceiveRig(const sim::BoardConfig& config, uint32_t descriptors, uint32_t size) : Rig(config) {
  WaitForLink();
  StartReceive(descriptors, size);
  StartTransmit();
  board->WriteCsr(kCsr(6), board->ReadCsr(kCsr(6)) | 0x40);
  board->WriteCsr(kCsr(5), 0xffffffff);
  board->WriteCsr(kCsr(7), kInterruptMask);
}

void Rig::StartReceive(uint32_t count, uint32_t size) {
  for (uint32_t i = 0; i < count; ++i) {
    dma.Put32(RxDescriptor(i), i + 1 < count ? 0x80000000 : 0);
    dma.Put32(RxDescriptor(i) + 4, 0x01000000 | size);
    dma.Put32(RxDescriptor(i) + 8, Buffer(i));
    dma.Put32(RxDescriptor(i) + 12, RxDescriptor(i + 1 < count ? i + 1 : 0));
  }
  board->WriteCsr(kCsr(3), RxDescriptor(0));
  board->WriteCsr(kCsr(6), board->ReadCsr(kCsr(6)) | 0x2);
}

void Rig::StartTransmit() {
  board->WriteCsr(kCsr(4), TxDescriptor(0));
  board->WriteCsr(kCsr(6), board->ReadCsr(kCsr(6)) | 0x2000);
}

void Rig::QueueTx(uint32_t i, uint32_t tdes1, uint32_t buffer1, uint32_t buffer2) {
  dma.Put32(TxDescriptor(i) + 4, tdes1);
  dma.Put32(TxDescriptor(i) + 8, buffer1);
  dma.Put32(TxDescriptor(i) + 12, buffer2);
  dma.Put32(TxDescriptor(i), 0x80000000);
}

void Rig::QueueFrame(uint32_t i, const std::vector<uint8_t>& frame, uint32_t extra_tdes1) {
  std::copy(frame.begin(), frame.end(), dma.At(Buffer(16 + i)));
  QueueTx(i, 0x60000000 | uint32_t(frame.size()) | extra_tdes1, Buffer(16 + i));
}

void Rig::LoadFilter(uint32_t i, const std::vector<uint8_t>& setup, uint32_t filter_type) {
  std::copy(setup.begin(), setup.end(), dma.At(kSetup));
  QueueTx(i, 0x08000000 | 192 | filter_type, kSetup);
  board->WriteCsr(kCsr(1), 0);
}

}  // namespace simtest
