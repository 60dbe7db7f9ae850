// Bringing the measurement settings in line with the unit that answers: its modules'
// sample intervals, and which channels can be active. The application runs both at
// start-up, before every measurement start and when the measurement settings dialog
// opens, holding its driver lock.
#pragma once

class CDriver;
class CMeasParamSet;

// Reads the base sample intervals of every slot whose module answers (slots 0..7 of a
// Tolam unit, slot 0 of a Z5K unit) into the parameter set. An answer that is not a
// number, above 0.1 or below 1e-11 is stored as 0.1; an interval the unit did not
// answer keeps its value, as do the slots without a module.
void ReadSampleIntervals(CDriver& driver, CMeasParamSet& params);

// A Z5K unit: only slot 0 channel 0 stays active and becomes the current slot. A Tolam
// unit: the channels of slots that answered with no usable module are switched off (a
// slot that did not answer keeps its channels), the first active channel becomes the
// current one, and every HF module gets register 30 set to 1.
void SyncChannelsWithUnit(CDriver& driver, CMeasParamSet& params);
