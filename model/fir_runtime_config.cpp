// Run-time configuration and coefficient reload packets: checked and queued
// on arrival, applied at the synchronisation points of the data stream.
#include <algorithm>
#include <cmath>
#include <new>
#include <sstream>

#include "model/fir.h"
#include "model/fir_text.h"
#include "patterns/pattern_tables.h"

namespace {

// A packet's copy sized to n values; running out of memory is refused with
// the packet's own text.
template <typename T>
void reserve_or_refuse(std::vector<T>& values, std::size_t n, const char* text) {
    try {
        values.resize(n);
    } catch (const std::bad_alloc&) {
        throw FIRException(text);
    }
}

}  // namespace

using fir_text::labelled;

int call_cnfg_sync(void* model) { return static_cast<FIR*>(model)->cnfg_sync(); }

int FIR::config_send(zeb_fir_v7_1_pattern chanpat, const PacketArray<unsigned int>& fsel) {
    const unsigned int C = configuration.num_channels;
    const unsigned int S = configuration.coeff_sets;
    const bool by_channel = configuration.config_method != ZEB_FIR_V7_1_CONFIG_SINGLE;

    zeb_fir_v7_1_pattern pattern = chanpat;
    if (configuration.chan_seq == ZEB_FIR_V7_1_BASIC_CHAN_SEQ) {
        if (S == 1 && configuration.reloadable == 0) {
            logger->warn("Ignoring config packet as not required for model configuration");
            return ZEB_STATUS_OK;
        }
    } else if (!pattern_valid_for(pattern, C)) {
        logger->warn("Channel pattern ID is invalid for specified number of channels, using default value");
        pattern = pattern_first_for(C);
    }

    const std::size_t m = by_channel ? C : 1;
    if (fsel.present && !fsel.lengths_readable) throw FIRException("Expecting 1-D array for fsel");
    if (S > 1) {
        if (fsel.present && fsel.dims > 1) throw FIRException("Expecting 1-D array for fsel");
        const std::size_t n = fsel.first_length();
        if ((n < C && by_channel) || fsel.held() < m)
            throw FIRException(labelled("Insufficient fsel values specified, expecting", m));
        if (n > C && by_channel) logger->warn(labelled("More fsel values specified than required, will use first ", C));
        if (n > 1 && !by_channel) logger->warn("Will only use the first fsel values specificed");
    }

    std::vector<unsigned int> selectors;
    reserve_or_refuse(selectors, m, "Unable to reserve data for fsel");

    // With a single set nothing guarantees the values; missing ones count as 0.
    const std::size_t held = fsel.held();
    for (std::size_t i = 0; i < m; ++i) {
        const unsigned int v = i < held ? fsel.data[i] : 0;
        if (v > S - 1) {
            std::ostringstream text;
            text << "fsel[" << i << "] : " << v << " is greater than maximum number of coeff_sets: " << S - 1
                 << ". Reseting to: " << S - 1;
            logger->warn(text.str());
            selectors[i] = S - 1;
        } else {
            selectors[i] = v;
        }
    }
    cnfg_queue.push_back(QueuedConfig{pattern, std::move(selectors)});
    return ZEB_STATUS_OK;
}

int FIR::reload_send(unsigned int fsel, const PacketArray<double>& coeff) {
    const unsigned int S = configuration.coeff_sets;
    const unsigned int K = configuration.num_coeffs;
    if (configuration.reloadable == 0) {
        logger->warn("Ignoring reload packet as not required for model configuration");
        return ZEB_STATUS_OK;
    }
    if (S > 1 && fsel > S - 1) {
        logger->warn(labelled("Invalid reload fsel, ", fsel) + ", ignoring packet");
        return ZEB_STATUS_ERROR;
    }
    if (!coeff.present) throw FIRException("Reload packet has no coeff array");
    if (coeff.dims > 1 || !coeff.lengths_readable) throw FIRException("Expecting 1-D array for coeff");
    const std::size_t n = coeff.first_length();
    if (n < K) throw FIRException(labelled("Insufficient coeff values specified, expecting", K));
    // Only the K values the model reads must be held; every refusal comes
    // before the warning about surplus values.
    if (coeff.readable < K) throw FIRException("Reload coeff array holds fewer values than its length");
    for (std::size_t i = 0; i < K; ++i) {
        if (!std::isfinite(coeff.data[i])) throw FIRException("Coefficient value is not a finite number");
    }
    if (n > K) logger->warn(labelled("More coeff values specified than required, will use first ", K));

    std::vector<double> values;
    reserve_or_refuse(values, K, "Unable to reserve data for coeff");
    values.assign(coeff.data, coeff.data + K);
    rld_queue.push_back(QueuedReload{S > 1 ? fsel : 0u, std::move(values)});
    return ZEB_STATUS_OK;
}

int FIR::cnfg_sync() {
    if (cnfg_queue.empty()) return ZEB_STATUS_OK;
    if (dbg_logger->active()) dbg_logger->note("Starting Sync...");

    while (!rld_queue.empty()) {
        QueuedReload reload = std::move(rld_queue.front());
        rld_queue.pop_front();
        coeffs[reload.fsel] = std::move(process_coeff(reload.coeff.data(), 1)[0]);
    }

    QueuedConfig packet = std::move(cnfg_queue.front());
    cnfg_queue.pop_front();

    const unsigned int C = configuration.num_channels;
    const bool by_channel = configuration.config_method == ZEB_FIR_V7_1_CONFIG_BY_CHANNEL;
    std::vector<unsigned int> sel(C, 0);
    if (configuration.coeff_sets > 1) {
        if (dbg_logger->active()) dbg_logger->note("Reading fsel values...\n");
        for (unsigned int i = 0; i < C; ++i) sel[i] = packet.fsel[by_channel ? i : 0];
    }

    for (unsigned int p = 0; p < configuration.num_paths; ++p) {
        for (unsigned int c = 0; c < C; ++c) bank->set_coefficients(p, c, coeffs[sel[c]]);
    }

    if (configuration.chan_seq == ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ && packet.chanpat != CurrentPattern) {
        if (dbg_logger->active()) {
            std::ostringstream note;
            note << "Updating CurrentPattern: " << CurrentPattern << " cnfg.chanpat: " << packet.chanpat;
            dbg_logger->note(note.str());
        }
        close_open_run();
        CurrentPattern = packet.chanpat;
        for (unsigned int p = 0; p < configuration.num_paths; ++p) {
            for (unsigned int c = 0; c < C; ++c) bank->restart(p, c);
        }
    }
    return ZEB_STATUS_OK;
}
