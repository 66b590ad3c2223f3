#include "support/ModelBuilder.h"

#include <cstddef>
#include <vector>

namespace {

std::vector<int> LinkNumbers(const TStage& S, bool Suppliers)
{
    std::vector<int> Numbers;
    const int Count = Suppliers ? S.NumSuppliers() : S.NumCustomers();
    for (int K = 1; K <= Count; ++K) {
        Numbers.push_back((Suppliers ? S.Supplier(K) : S.Customer(K)).StageNum);
    }
    return Numbers;
}

}  // namespace

int AddStage(TSimulation& Model, const TStageParams& P, int32_t X, int32_t Y)
{
    const int N = Model.AddStage();
    if (N == 0) {
        return 0;
    }
    TStageParams Params = P;
    if (Params.ProductIndex == 0) {
        Params.ProductIndex = Model.Stage(N).Params().ProductIndex;
    }
    Model.SetStageParams(N, Params);
    Model.SetStagePosition(N, X, Y);
    return N;
}

bool AppendLink(TSimulation& Model, int SupplierNum, int CustomerNum)
{
    const int Num = Model.NumStages();
    if (SupplierNum < 1 || SupplierNum > Num || CustomerNum < 1 || CustomerNum > Num) {
        return false;
    }
    std::vector<int> Suppliers = LinkNumbers(Model.Stage(CustomerNum), true);
    std::vector<int> Customers = LinkNumbers(Model.Stage(SupplierNum), false);
    Suppliers.push_back(SupplierNum);
    Customers.push_back(CustomerNum);
    constexpr auto Max = static_cast<std::size_t>(MaxLinks);
    if (Suppliers.size() > Max || Customers.size() > Max || SupplierNum <= CustomerNum) {
        return false;
    }
    return Model.RestoreLinkList(CustomerNum, true, Suppliers) && Model.RestoreLinkList(SupplierNum, false, Customers);
}

bool BuildShortSupplyModel(TSimulation& Model)
{
    TStageParams Retailer;
    Retailer.DemandMean = 5;
    Retailer.DemandSD = 2;
    Retailer.BaseStockLevel = 20;
    Retailer.ProcTime = 1;
    TStageParams Supplier;
    Supplier.BaseStockLevel = 3;
    Supplier.ProcTime = 2;
    Supplier.ProcCapacity = 3;
    AddStage(Model, Retailer);
    AddStage(Model, Supplier);
    return AppendLink(Model, 2, 1) && AppendLink(Model, 2, 1);
}
