#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "device/HidLink.h"

namespace korvex {

// One 4-byte entry of a key table as the keyboard holds it.
struct SimKeyEntry {
    std::uint8_t type = 0, b1 = 0, b2 = 0, b3 = 0;

    bool isDefault() const { return type == 0 && b1 == 0 && b2 == 0 && b3 == 0; }
    bool isDisabled() const { return type == 0x05 && b1 == 0x03; }
    bool isMacro() const { return type == 0x06; }
    std::uint8_t macroSlot() const { return b1; }
    std::uint8_t macroPlayMode() const { return b2; }
    std::uint8_t macroLoops() const { return b3; }
    bool operator==(const SimKeyEntry&) const = default;
};

struct SimLightMode {
    std::uint8_t mode = 0, red = 0, green = 0, blue = 0;
    std::uint8_t randomColour = 0, brightness = 0, speed = 0, direction = 0;
    bool operator==(const SimLightMode&) const = default;
};

struct SimSystem {
    std::uint8_t gameMode = 0, disableAltTab = 0, disableAltF4 = 0, disableWin = 0;
    std::uint8_t fnFunction = 0, sleepLight = 0;
    bool operator==(const SimSystem&) const = default;
};

struct SimMacroEvent {
    enum class Kind { Delay, KeyDown, KeyUp, MouseDown, MouseUp, Blank, Unknown };
    Kind kind = Kind::Blank;
    std::uint16_t value = 0;  // delay units, key code or button bit
    bool operator==(const SimMacroEvent&) const = default;
};

struct SimMacro {
    bool empty = false;  // directory slot FF FF FF FF: a macro without events
    std::uint16_t offset = 0;
    std::vector<SimMacroEvent> events;
};

// Which table an exchange rewrote, in the order exchanges completed.
enum class SimExchange {
    KeyTableTop,
    KeyTableFn,
    SystemFunctions,
    LightMode,
    PerKeyColours,
    Macros
};

// A keyboard in software. It decodes begin / header / data / end / store
// exchanges into the tables a keyboard keeps, answers read-backs, and keeps a
// list of everything a real keyboard would choke on. Data only takes effect
// when its exchange ends correctly, as on the device. Safe to query from
// another thread while uploads run.
class SimulatedKeyboard final : public HidLink {
  public:
    static constexpr std::size_t kTableBytes = 576;  // 9 reports
    static constexpr std::size_t kLedEntries = kTableBytes / 4;

    bool setFeatureReport(std::span<const std::uint8_t> data) override;
    bool getFeatureReport(std::span<std::uint8_t> buf, std::size_t& bytesRead) override;

    // --- Fault injection ---------------------------------------------------
    // The read-back of the command report with this ordinal (0-based, counting
    // every command report received, refused ones included) carries 0xFF in
    // byte 3 and the command is not taken.
    void askForRepeat(std::size_t commandOrdinal);
    // The link call (set or get, 0-based over both) with this ordinal fails
    // and has no effect.
    void failTransfer(std::size_t transferOrdinal);
    // From the link call with this ordinal on, the keyboard is gone: every
    // call fails. onVanish runs once, on the calling thread, at that moment.
    void vanishAt(std::size_t transferOrdinal, std::function<void()> onVanish = {});
    // Like a USB link that met "no device": true once it vanished.
    bool gone() const override;
    void reconnect();
    // Bytes reported by a read-back (64 unless changed).
    void setReadLength(std::size_t length);

    // --- State ---------------------------------------------------------------
    bool present() const;
    bool hasKeyTable(int layer) const;
    SimKeyEntry keyEntry(int layer, int keyIndex) const;
    std::array<std::uint8_t, kTableBytes> keyTable(int layer) const;
    std::optional<SimLightMode> lightMode() const;
    std::size_t storeCount() const;  // store reports taken after a lighting exchange
    bool hasPerKeyColours() const;
    // 0xRRGGBB of the LED with this light index; empty without a table or
    // when the entry does not name its own index.
    std::optional<std::uint32_t> ledColour(int lightIndex) const;
    std::array<std::uint8_t, kTableBytes> perKeyTable() const;
    std::optional<SimSystem> systemFunctions() const;
    std::vector<std::uint8_t> macroImage() const;
    std::vector<SimMacro> macros() const;  // directory slots up to the first unused one
    std::vector<SimExchange> exchanges() const;
    std::vector<std::string> violations() const;
    std::vector<std::vector<std::uint8_t>> writes() const;  // reports taken, in order
    std::size_t transferCount() const;                      // link calls, failed ones included
    bool idle() const;                                      // no exchange open

  private:
    bool injectFault();  // true when this call must fail; counts the call
    void onCommand(std::span<const std::uint8_t> report);
    void onHeader(std::uint8_t header, std::size_t announced);
    void onEnd();
    void commit();
    void violation(std::string text);
    std::vector<SimMacro> decodeMacros(std::vector<std::string>* problems) const;

    mutable std::mutex mutex_;
    // Faults.
    std::set<std::size_t> repeatAsked_;
    std::set<std::size_t> failing_;
    std::optional<std::size_t> vanishAt_;
    std::function<void()> onVanish_;
    bool present_ = true;
    std::size_t readLength_ = kReportSize;
    std::size_t transfers_ = 0;
    std::size_t commands_ = 0;

    // Exchange in progress.
    std::uint8_t begin_ = 0;   // 0x18, 0x19 or 0 outside an exchange
    std::uint8_t header_ = 0;  // header of the open exchange, 0 none
    std::size_t expected_ = 0, received_ = 0;
    bool runBroken_ = false;
    bool lastSetWasData_ = false;
    bool runJustCompleted_ = false;
    std::uint8_t lastEnded_ = 0;  // header of the exchange the latest report ended
    std::vector<std::uint8_t> data_;
    std::array<std::uint8_t, kReportSize> answer_{};
    bool refused_ = false;

    // Keyboard memory.
    std::array<std::optional<std::array<std::uint8_t, kTableBytes>>, 2> keys_;
    std::optional<std::array<std::uint8_t, kTableBytes>> leds_;
    std::optional<SimLightMode> light_;
    std::optional<SimSystem> system_;
    std::vector<std::uint8_t> macroImage_;
    std::size_t stores_ = 0;

    std::vector<SimExchange> exchanges_;
    std::vector<std::string> violations_;
    std::vector<std::vector<std::uint8_t>> writes_;
};

const char* toString(SimExchange exchange);

}  // namespace korvex
