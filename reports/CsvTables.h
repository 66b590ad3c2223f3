#pragma once
#include <string>

class TSimulation;

// The tables of a run as CSV (text/CsvText.h): a header row, then one record per row, every number
// as it reads back to the same double. They read what the text reports read, so a number here is
// the number on screen at full precision.

// The History in long form, "period,stage,measured,total_cost,demand,derived_demand,inv_level,
// order_qty,on_order,in_process,failed": a record per period 1..Model.Period and stage, periods in
// order and stages in order within one. measured is 0 in the warm-up and 1 after it; total_cost is
// the stage's cost of the period (the text shows "---" for it in the warm-up); failed is 0 or 1.
// A period a stage's history does not hold reads as 0, as in the text.
std::string BuildHistoryCsv(const TSimulation& Model);

// The Order History, "period,stage,supplier,quantity": for every period and stage, first the
// stage's own order quantity with supplier 0 (the text's "Self" column), then what it ordered from
// each supplier of each raw-material group, in the text's column order. The suppliers are those
// recorded at the start of the run, as in the text.
std::string BuildOrderHistoryCsv(const TSimulation& Model);

// The statistics report's sixteen metric blocks, "stage,metric,mean,sd,min,max,observations":
// metric is the block's heading ("On Hand", "Backorders", ...), then a record per stage with its
// accumulator's mean, standard deviation, minimum, maximum and observation count, and a record with
// stage "all" holding the TOTAL or AVERAGE line's value as its mean and the other fields empty.
// What is undefined is nan, where the text shows 0: a stage's mean, standard deviation, minimum and
// maximum without an observation, and the "all" value of a block that no stage observed.
// The service-time table is not part of it.
std::string BuildStatsCsv(const TSimulation& Model);
