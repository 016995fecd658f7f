inherited VintraFilmScrSetupForm: TVintraFilmScrSetupForm
  TaskBarButton = True
  inherited TopPanel: TQevPanel
    inherited AppLbl: TQevLabel
      Width = 270
      Caption = 'VINTRA Film Screen Saver 0.0 r0'
    end
  end
end
