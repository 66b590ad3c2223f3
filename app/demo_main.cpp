// A small built-in network, run once: the five cost totals of a run, without any window.
#include <cstdio>

#include "engine/GeneralProcs.h"
#include "engine/Simulation.h"
#include "platform/Dialogs.h"

int main()
{
    TSilentDialogs Messages;
    TSimulation Model(Messages);
    for (int I = 0; I < 3; ++I) {
        Model.AddStage();
    }
    TStage& Retailer = Model.Stage(1);
    Retailer.DemandMean = 20;
    Retailer.DemandSD = 5;
    Retailer.DemandBound = 3;
    Retailer.HoldingCost = 1;
    Retailer.StockoutCost = 10;
    Retailer.BaseStockLevel = 60;
    Retailer.ProcTime = 1;
    for (int N = 2; N <= 3; ++N) {
        TStage& Supplier = Model.Stage(N);
        Supplier.ProcTime = 2;
        Supplier.BaseStockLevel = 80;
        Supplier.HoldingCost = 0.5;
        Supplier.ProductCost = 1;
        Supplier.FailureProb = 0.02;
        Supplier.RecoveryProb = 0.5;
    }
    Model.Link(2, 1);
    Model.Link(3, 2);
    const TCostTotals Costs = Model.RunSimulation(1000, 100, 1);
    std::printf("Order Cost:       %s\n", FormatFixed(Costs.OrderCost, 2).c_str());
    std::printf("Holding Cost:     %s\n", FormatFixed(Costs.HoldingCost, 2).c_str());
    std::printf("WIP Holding Cost: %s\n", FormatFixed(Costs.WIPHoldingCost, 2).c_str());
    std::printf("Stockout Cost:    %s\n", FormatFixed(Costs.StockoutCost, 2).c_str());
    std::printf("Total Cost:       %s\n", FormatFixed(Costs.TotalCost, 2).c_str());
    return 0;
}
