#pragma once

#include <cstdint>

#include "platform/key_service.h"

namespace tavrel {

// Physical keys by XKB key name; the punctuation keys carry the virtual keys of their places on
// a US keyboard, as the desktop numbers them there.
struct NamedKey {
  uint8_t virtualKey;
  const char* name;
};
inline constexpr NamedKey kNamedKeys[] = {
    {'1', "AE01"},           {'2', "AE02"},
    {'3', "AE03"},           {'4', "AE04"},
    {'5', "AE05"},           {'6', "AE06"},
    {'7', "AE07"},           {'8', "AE08"},
    {'9', "AE09"},           {'0', "AE10"},
    {vk::kOem3, "TLDE"},     {vk::kOemMinus, "AE11"},
    {vk::kOemPlus, "AE12"},  {vk::kOem4, "AD11"},
    {vk::kOem6, "AD12"},     {vk::kOem5, "BKSL"},
    {vk::kOem1, "AC10"},     {vk::kOem7, "AC11"},
    {vk::kOemComma, "AB08"}, {vk::kOemPeriod, "AB09"},
    {vk::kOem2, "AB10"},     {vk::kOem102, "LSGT"},
    {vk::kBack, "BKSP"},     {vk::kTab, "TAB"},
    {vk::kReturn, "RTRN"},   {vk::kShift, "LFSH"},
    {vk::kControl, "LCTL"},  {vk::kCapital, "CAPS"},
    {vk::kEscape, "ESC"},    {vk::kSpace, "SPCE"},
    {vk::kPrior, "PGUP"},    {vk::kNext, "PGDN"},
    {vk::kLeft, "LEFT"},     {vk::kUp, "UP"},
    {vk::kRight, "RGHT"},    {vk::kDown, "DOWN"},
    {vk::kInsert, "INS"},    {vk::kDelete, "DELE"},
    {vk::kLMenu, "LALT"},    {vk::kRMenu, "RALT"},
    {vk::kF1, "FK01"},       {vk::kF1 + 1, "FK02"},
    {vk::kF1 + 2, "FK03"},   {vk::kF1 + 3, "FK04"},
    {vk::kF1 + 4, "FK05"},   {vk::kF1 + 5, "FK06"},
    {vk::kF1 + 6, "FK07"},   {vk::kF1 + 7, "FK08"},
    {vk::kF1 + 8, "FK09"},   {vk::kF1 + 9, "FK10"},
    {vk::kF1 + 10, "FK11"},  {vk::kF12, "FK12"},
};

}  // namespace tavrel
