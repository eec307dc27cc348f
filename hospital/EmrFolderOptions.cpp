#include "hospital/EmrFolderOptions.h"

#include "config/ObexConfig.h"

EmrFolderOptions EmrFolderOptions::FromConfig(const ObexConfig& config) {
  EmrFolderOptions options;
  options.folder = config.m_strEMRDataPath.GetString();
  options.imageType = config.m_nEMRImageType;
  options.speedCode = config.m_nReviewTrendSpeed;
  options.hospitalName = config.m_strHospitalName.GetString();
  return options;
}
