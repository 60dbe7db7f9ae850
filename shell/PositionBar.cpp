#include "shell/PositionBar.h"

CWorkload::CWorkload(QWidget* parent) : QWidget(parent)
{
    setObjectName("c261");
    setMinimumSize(400, 24);
}

void CWorkload::Update()
{
    update();
}
